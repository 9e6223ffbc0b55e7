#include "FirmNameDialog.h"

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
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addWidget(label);
    layout->addWidget(m_nameEdit);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] {
        emit firmNameChosen(m_nameEdit->text());
        hide();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void FirmNameDialog::showFor(const QString &name)
{
    m_nameEdit->setText(name);
    show();
    raise();
    activateWindow();
}
