#include "DuplicatePositionDialog.h"

#include "DialogButtons.h"
#include "Numbers.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *shownField(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setAccessibleName(accessibleName);
    field->setReadOnly(true);
    return field;
}

QLabel *sign(const QString &text, int pixels, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

DuplicatePositionDialog::DuplicatePositionDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TForm10"));
    setWindowTitle(QStringLiteral("Позиция уже существует."));
    setModal(true);

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(frame);
    m_caption = shownField("Edit1", QStringLiteral("Наименование"), frame);
    grid->addWidget(m_caption, 0, 0, 1, 3);
    m_type = shownField("Edit2", QStringLiteral("Тип, марка"), frame);
    grid->addWidget(new QLabel(QStringLiteral("Тип,марка: "), frame), 1, 0);
    grid->addWidget(m_type, 1, 1, 1, 2);
    m_code = shownField("Edit3", QStringLiteral("Код оборудования"), frame);
    grid->addWidget(new QLabel(QStringLiteral("Код оборудования:"), frame), 2, 0);
    grid->addWidget(m_code, 2, 1, 1, 2);
    m_maker = shownField("Edit4", QStringLiteral("Завод изготовитель"), frame);
    grid->addWidget(new QLabel(QStringLiteral("Завод изготовитель:"), frame), 3, 0);
    grid->addWidget(m_maker, 3, 1, 1, 2);
    m_existing = shownField("Edit5", QStringLiteral("Количество"), frame);
    grid->addWidget(new QLabel(QStringLiteral("Количество:"), frame), 4, 0);
    grid->addWidget(m_existing, 4, 1);
    grid->addWidget(sign(QStringLiteral("+"), 24, frame), 4, 2);
    m_increment = new QLineEdit(frame);
    m_increment->setObjectName(QStringLiteral("Edit6"));
    m_increment->setAccessibleName(QStringLiteral("Добавляемое количество"));
    grid->addWidget(m_increment, 5, 1);
    grid->addWidget(sign(QStringLiteral("="), 24, frame), 5, 2);
    m_totalField = shownField("Edit7", QStringLiteral("Сумма"), frame);
    grid->addWidget(m_totalField, 6, 1);
    m_unit = sign(QString(), 16, frame);
    m_unit->setObjectName(QStringLiteral("Label8"));
    grid->addWidget(m_unit, 6, 2);
    m_warning = new QLabel(frame);
    m_warning->setObjectName(QStringLiteral("Label9"));
    m_warning->setStyleSheet(QStringLiteral("color: #b00000"));
    m_warning->setWordWrap(true);
    grid->addWidget(m_warning, 7, 0, 1, 3);
    // The good's block name travels with the dialog, out of sight.
    m_name = new QLabel(frame);
    m_name->setObjectName(QStringLiteral("Label10"));
    m_name->setVisible(false);

    const DialogButtons buttons(this, QStringLiteral("ОК"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons.row);
    resize(410, 263);

    connect(m_increment, &QLineEdit::textChanged, this, &DuplicatePositionDialog::recompute);
    m_ok = buttons.ok;
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        if (m_total)
            accept();
    });
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DuplicatePositionDialog::fill(const DuplicatePosition &duplicate)
{
    m_caption->setText(duplicate.caption);
    m_caption->setCursorPosition(0);
    m_type->setText(duplicate.type);
    m_code->setText(duplicate.code);
    m_maker->setText(duplicate.maker);
    m_existing->setText(duplicate.existingQuantity);
    m_unit->setText(duplicate.unit);
    m_name->setText(duplicate.name);
    m_total.reset();
    m_totalField->clear();
    m_increment->setText(duplicate.increment);
    recompute();
    m_increment->setFocus();
    m_increment->selectAll();
}

std::optional<double> DuplicatePositionDialog::ask(const DuplicatePosition &duplicate)
{
    fill(duplicate);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_total;
}

void DuplicatePositionDialog::recompute()
{
    const std::optional<double> total =
        PutGood::mergeTotal(m_existing->text(), m_increment->text());
    m_total = total;
    // OK takes no total while the increment is no number.
    m_ok->setEnabled(total.has_value());
    if (!total) {
        // The field keeps its last value until the increment reads as a number.
        const QString typed = m_increment->text().trimmed();
        const std::optional<QString> fault = Numbers::quantityFault(typed);
        m_warning->setText(
            fault ? QStringLiteral("Количество «%1» %2.").arg(typed, *fault)
                  : QStringLiteral("Сумма слишком велика: %1.").arg(Numbers::quantityLimitText()));
        m_warning->setToolTip(m_warning->text());
        return;
    }
    m_warning->clear();
    m_totalField->setText(Numbers::general(*total));
}
