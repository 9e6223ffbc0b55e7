#pragma once

#include <QList>
#include <QString>
#include <optional>

class Session;

// "Добавить спецификацию": other specification files added to the open one,
// or taken from it, each with a whole-number coefficient. Every position of a
// file adds its quantity times the coefficient to the positions of the same
// name (letter case ignored) or comes in as a new position, keeping the
// numbers, unit, description and remark of its file; then the positions are
// completed from the catalogue.
namespace Combine {

struct Source {
    QString path;
    int coefficient = 1;
};

// The coefficient a file name proposes: the text between the first "(" and
// the first "шт" up to its first blank, as in "Узел (3 шт).СО" or
// "Узел (10шт).СО"; "1" when the name has neither.
QString proposedCoefficient(const QString &fileName);

// The largest coefficient either way: a quantity times more would pass the
// largest quantity the documents print.
constexpr int kCoefficientLimit = 999'999'999;

// Why a coefficient text is refused ("не целое число", or out of range with
// the range named); nothing when it is a coefficient.
std::optional<QString> coefficientFault(const QString &text);

// A coefficient text as a whole number, a minus sign subtracting; nothing
// when coefficientFault() refuses it.
std::optional<int> coefficient(const QString &text);

// Reads and checks every file before anything changes, then merges them all
// and reconciles, in one transaction: a bad file or a failure changes
// nothing and throws AppError naming the file and line. Marks the
// specification modified. Returns the number of positions read.
int combine(Session &session, const QList<Source> &sources);

} // namespace Combine
