#include "Combine.h"

#include "AppError.h"
#include "Numbers.h"
#include "PositionsEdit.h"
#include "PositionsTable.h"
#include "Reconciliation.h"
#include "Session.h"
#include "SpecificationFile.h"
#include "TextFolding.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace Combine {
namespace {

// The positions of one name: every row and the quantity they all take.
struct NamedRows {
    QList<qint64> keys;
    double quantity = 0;
};

} // namespace

QString proposedCoefficient(const QString &fileName)
{
    const qsizetype open = fileName.indexOf(u'(');
    const qsizetype pieces = fileName.indexOf(QStringLiteral("шт"));
    if (open < 0 || pieces < 0)
        return QStringLiteral("1");
    QString text = fileName.mid(open + 1, pieces - open - 1);
    const qsizetype blank = text.indexOf(u' ');
    if (blank >= 0)
        text.truncate(blank);
    return text;
}

std::optional<QString> coefficientFault(const QString &text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!wholeNumber.match(trimmed).hasMatch())
        return QStringLiteral("не целое число");
    bool fits = false;
    const qlonglong value = trimmed.toLongLong(&fits);
    if (!fits || value < -kCoefficientLimit || value > kCoefficientLimit)
        return QStringLiteral("вне допустимого диапазона: от −%1 до %1")
            .arg(QLocale(QLocale::Russian).toString(kCoefficientLimit));
    return std::nullopt;
}

std::optional<int> coefficient(const QString &text)
{
    if (coefficientFault(text))
        return std::nullopt;
    return text.trimmed().toInt();
}

int combine(Session &session, const QList<Source> &sources)
{
    QList<SpecificationFile::Contents> files;
    qsizetype total = 0;
    for (const Source &source : sources) {
        files.append(SpecificationFile::load(source.path));
        total += files.last().positions.size();
    }

    PositionsTable &table = session.document().positions();
    QHash<QString, NamedRows> byName;
    for (const Position &position : table.read()) {
        NamedRows &rows = byName[TextFolding::folded(position.name)];
        if (rows.keys.isEmpty())
            rows.quantity = position.quantity.value_or(0);
        rows.keys.append(position.key);
    }

    int done = 0;
    try {
        PositionsEdit::make<CombineEdit>(session.document(), [&] {
            for (qsizetype file = 0; file < files.size(); ++file) {
                const Source &source = sources[file];
                const QList<Position> &positions = files[file].positions;
                for (qsizetype index = 0; index < positions.size(); ++index) {
                    const Position &read = positions[index];
                    const double added = read.quantity.value_or(0) * source.coefficient;
                    NamedRows &rows = byName[TextFolding::folded(read.name)];
                    const double sum = rows.keys.isEmpty() ? added : rows.quantity + added;
                    if (!Numbers::isQuantity(sum))
                        throw AppError(
                            QStringLiteral("Количество позиции «%1» (поз. %2) после сложения "
                                           "— %3 — слишком велико: %4.")
                                .arg(read.name, Numbers::whole(read.number),
                                     std::isfinite(sum) ? Numbers::general(sum)
                                                        : QStringLiteral("бесконечность"),
                                     Numbers::quantityLimitText()),
                            source.path,
                            int(SpecificationFile::lineOf(index, SpecificationFile::Quantity) + 1));
                    // Fifteen digits, as the file keeps them: 0,1 × 3 is 0,3.
                    rows.quantity = Numbers::parse(Numbers::general(sum)).value_or(sum);
                    if (rows.keys.isEmpty()) {
                        Position added = read;
                        added.key = 0;
                        added.quantity = rows.quantity;
                        added.number = read.number.value_or(0);
                        added.groupNumber = read.groupNumber.value_or(0);
                        rows.keys.append(table.insert(added));
                    } else {
                        for (const qint64 key : std::as_const(rows.keys))
                            table.update(key, {PositionsTable::Quantity}, {rows.quantity});
                    }
                    session.reportProgress(++done, int(total));
                }
            }
            Reconciliation::reconcile(session);
        });
    } catch (...) {
        session.reportProgress(0, int(total));
        throw;
    }
    session.reportProgress(0, int(total));
    return done;
}

} // namespace Combine
