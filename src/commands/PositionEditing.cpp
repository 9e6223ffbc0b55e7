#include "PositionEditing.h"

#include "AppError.h"
#include "CellEdit.h"
#include "Numbers.h"
#include "SpecificationDocument.h"

#include <cmath>

namespace PositionEditing {
namespace {

bool isNumber(PositionsTable::Field field)
{
    return field == PositionsTable::Quantity || field == PositionsTable::Cost ||
           field == PositionsTable::Number || field == PositionsTable::GroupNumber;
}

[[noreturn]] void refuse(const QString &typed, bool whole)
{
    if (Numbers::outOfRange(typed))
        throw AppError(QStringLiteral("Число «%1» вне допустимого диапазона.").arg(typed));
    throw AppError(
        QStringLiteral("«%1» не является %2.")
            .arg(typed, whole ? QStringLiteral("целым числом") : QStringLiteral("числом")));
}

// Null and an empty text are both nothing: an editor opened on an empty
// cell hands back empty text, which is no change.
bool same(const QVariant &a, const QVariant &b)
{
    const auto empty = [](const QVariant &value) {
        return value.isNull() ||
               (value.typeId() == QMetaType::QString && value.toString().isEmpty());
    };
    if (empty(a) || empty(b))
        return empty(a) && empty(b);
    return a == b;
}

} // namespace

QVariant typedValue(PositionsTable::Field field, const QString &typed)
{
    if (!isNumber(field))
        return typed;
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    if (field == PositionsTable::Quantity)
        if (const std::optional<QString> fault = Numbers::quantityFault(text))
            throw AppError(QStringLiteral("Количество «%1» %2.").arg(text, *fault));
    const std::optional<double> number = Numbers::parse(text);
    const bool whole = field == PositionsTable::Number || field == PositionsTable::GroupNumber;
    if (!number)
        refuse(text, whole);
    if (!whole)
        return *number;
    // 2 to the 63rd: the first number past the whole numbers a column holds.
    constexpr double kWholeLimit = 9223372036854775808.0;
    if (*number < -kWholeLimit || *number >= kWholeLimit) {
        throw AppError(QStringLiteral("Число «%1» вне допустимого диапазона.").arg(text));
    }
    if (*number != std::trunc(*number))
        refuse(text, true);
    return qint64(*number);
}

void editCell(SpecificationDocument &document, qint64 key, PositionsTable::Field field,
              const QString &typed)
{
    const QVariant value = typedValue(field, typed);
    PositionsTable &positions = document.positions();
    const std::optional<Position> held = positions.find(key);
    if (!held)
        throw AppError(QStringLiteral("Позиции уже нет в спецификации."));
    if (same(PositionsTable::value(*held, field), value))
        return;
    PositionsEdit::make<CellEdit>(
        document, [&] { positions.update(key, {field}, {value}); }, key, field);
}

qint64 addPosition(SpecificationDocument &document, PositionsTable::Field field,
                   const QString &typed)
{
    const QVariant value = typedValue(field, typed);
    if (same(value, QVariant()))
        return 0;
    Position added;
    PositionsTable::setValue(added, field, value);
    qint64 key = 0;
    PositionsEdit::make<AddRowEdit>(document, [&] { key = document.positions().insert(added); });
    return key;
}

void deletePosition(SpecificationDocument &document, qint64 key)
{
    PositionsTable &positions = document.positions();
    const std::optional<Position> held = positions.find(key);
    if (!held)
        return;
    PositionsEdit::make<DeleteRowEdit>(
        document, [&] { positions.remove(key); }, held->name);
}

} // namespace PositionEditing
