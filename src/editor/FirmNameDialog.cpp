#include "FirmNameDialog.h"

#include "DialogButtons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FirmNameDialog::FirmNameDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm9"));
    // The dialog has no caption. An empty title would not do: the desktop
    // shows the program's name in its place.
    setWindowTitle(QStringLiteral(" "));
    setModal(false);
    setFixedSize(345, 137);

    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Введите название фирмы: "), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("Edit1"));
    m_nameEdit->setAccessibleName(QStringLiteral("Название фирмы"));
    const DialogButtons buttons(this, QStringLiteral("OK"));
    layout->addWidget(label);
    layout->addWidget(m_nameEdit);
    layout->addStretch();
    layout->addLayout(buttons.row);

    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        emit firmNameChosen(m_nameEdit->text());
        hide();
    });
    connect(buttons.cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void FirmNameDialog::showFor(const QString &name)
{
    m_nameEdit->setText(name);
    show();
    raise();
    activateWindow();
}
