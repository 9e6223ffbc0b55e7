#include "CellEdit.h"

namespace {

QString fieldTitle(PositionsTable::Field field)
{
    switch (field) {
    case PositionsTable::Name:
        return QStringLiteral("имя блока");
    case PositionsTable::Caption:
        return QStringLiteral("наименование");
    case PositionsTable::Quantity:
        return QStringLiteral("количество");
    case PositionsTable::Unit:
        return QStringLiteral("единица");
    case PositionsTable::Cost:
        return QStringLiteral("цена");
    case PositionsTable::Mass:
        return QStringLiteral("масса");
    case PositionsTable::Type:
        return QStringLiteral("тип, марка");
    case PositionsTable::Code:
        return QStringLiteral("код");
    case PositionsTable::Maker:
        return QStringLiteral("завод-изготовитель");
    case PositionsTable::Group:
        return QStringLiteral("группа");
    case PositionsTable::Comment:
        return QStringLiteral("примечание");
    case PositionsTable::Number:
        return QStringLiteral("номер позиции");
    case PositionsTable::GroupNumber:
        return QStringLiteral("номер группы");
    default:
        return QStringLiteral("значение");
    }
}

} // namespace

CellEdit::CellEdit(SpecificationDocument &document, PositionsChange change, qint64 key,
                   PositionsTable::Field field)
    : PositionsEdit(document, QStringLiteral("Правка: %1").arg(fieldTitle(field)),
                    std::move(change)),
      m_key(key), m_field(field)
{
}

int CellEdit::id() const
{
    return 1;
}

bool CellEdit::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const CellEdit *>(other);
    if (next->m_key != m_key || next->m_field != m_field)
        return false;
    m_change = m_change.followedBy(next->m_change);
    return true;
}
