#include "Reports.h"

#include "AppError.h"
#include "Numbers.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "ReportOutput.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "Workbook.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <limits>

namespace Reports {
namespace {

// A sheet prints its numbers with a decimal comma, whatever the locale.
QString quantityText(const std::optional<double> &quantity)
{
    return quantity ? Numbers::printed(*quantity) : QString();
}

// The notice names this many positions at most.
constexpr int kNamedUnpriced = 12;

} // namespace

SheetContents sheetContents(Session &session)
{
    SheetContents contents;
    contents.header = session.document().header();
    contents.firm = session.firmName();

    // A group prints once, at the smallest group number among its positions.
    struct Gathered {
        qint64 order = 0;
        qsizetype first = 0;
        SheetContents::Group group;
    };
    QList<Gathered> groups;
    QHash<QString, qsizetype> indexOf;
    for (const Position &position : session.document().positions().read()) {
        const QString name = position.group.isEmpty() ? QString() : position.group;
        const qint64 order = position.groupNumber.value_or(std::numeric_limits<qint64>::min());
        auto found = indexOf.constFind(name);
        if (found == indexOf.cend()) {
            found = indexOf.insert(name, groups.size());
            groups.append({order, groups.size(), {name, {}}});
        }
        Gathered &gathered = groups[*found];
        gathered.order = std::min(gathered.order, order);
        gathered.group.rows.append(
            {Numbers::whole(position.number), position.caption, position.type, position.code,
             position.maker, position.unit, quantityText(position.quantity),
             Numbers::printedText(position.mass), position.comment, position.name});
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Gathered &a, const Gathered &b) { return a.order < b.order; });
    for (Gathered &gathered : groups)
        contents.groups.append(std::move(gathered.group));
    return contents;
}

EstimateContents estimateContents(Session &session, const QDate &date)
{
    EstimateContents contents;
    contents.header = session.document().header();
    contents.firm = session.firmName();
    contents.date = date;
    for (const Position &position : session.document().positions().read())
        contents.rows.append({position.caption, position.quantity, position.unit, position.cost,
                              Numbers::whole(position.number), position.name});
    if (contents.rows.isEmpty())
        throw AppError(QStringLiteral("В спецификации нет позиций: смете нечего перечислить."));
    return contents;
}

QStringList unpriced(const EstimateContents &contents)
{
    QStringList positions;
    for (const EstimateContents::Row &row : contents.rows) {
        if (row.cost)
            continue;
        QString position = row.number.isEmpty() ? QStringLiteral("поз. без номера")
                                                : QStringLiteral("поз. ") + row.number;
        if (!row.name.isEmpty())
            position += QStringLiteral(" «%1»").arg(row.name);
        positions << position;
    }
    return positions;
}

QString unpricedNotice(const QStringList &positions)
{
    QString notice = QStringLiteral("Нет цены у позиций сметы, их суммы останутся пустыми:\n");
    notice += positions.mid(0, kNamedUnpriced).join(u'\n');
    if (positions.size() > kNamedUnpriced)
        notice += QStringLiteral("\nи ещё %1").arg(positions.size() - kNamedUnpriced);
    return notice;
}

std::unique_ptr<EstimateReport> estimate(Session &session, const QDate &date,
                                         const std::function<void(const QStringList &)> &tell)
{
    EstimateContents contents = estimateContents(session, date);
    const QStringList missing = unpriced(contents);
    auto report = std::make_unique<EstimateReport>(std::move(contents));
    if (!missing.isEmpty())
        tell(missing);
    return report;
}

void writePdf(Session &session, const Report &report, const QString &path, PageSpan pages)
{
    try {
        ReportOutput::writePdf(report, path, pages,
                               [&](int done, int total) { session.reportProgress(done, total); });
    } catch (...) {
        session.reportProgress(0, 0);
        throw;
    }
    session.reportProgress(0, 0);
}

void writeWorkbook(Session &session, const QString &path, const QDate &date)
{
    const SheetContents contents = sheetContents(session);
    try {
        Workbook::write(contents, date, path,
                        [&](int done, int total) { session.reportProgress(done, total); });
    } catch (...) {
        session.reportProgress(0, 0);
        throw;
    }
    session.reportProgress(0, 0);
}

QString exportWorkbook(Session &session, Prompts &prompts, const QDate &date,
                       const std::function<QString()> &folderOfNew,
                       const std::function<bool(const QString &path)> &open)
{
    static const FileKind workbook{QStringLiteral("Экспорт в Excel"),
                                   QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("xlsx")};
    QString name = session.document().name();
    if (name.endsWith(SpecificationCommands::kReadOnlySuffix))
        name.chop(SpecificationCommands::kReadOnlySuffix.size());
    const QFileInfo specification(name);
    QString base = specification.completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("Спецификация");
    const QString folder = specification.isFile() ? specification.absolutePath() : folderOfNew();
    QString target = QDir(folder).filePath(base + QStringLiteral(".xlsx"));
    for (;;) {
        target = prompts.chooseFileOfKindToSave(workbook, target);
        if (target.isEmpty())
            return {};
        if (QFileInfo(target).suffix().compare(workbook.extension, Qt::CaseInsensitive) != 0)
            target += u'.' + workbook.extension;
        if (!QFileInfo::exists(target) ||
            prompts.confirm(QStringLiteral("Переписать файл ") + QDir::toNativeSeparators(target) +
                            QStringLiteral(" ?")))
            break;
    }
    writeWorkbook(session, target, date);
    if (!open(target))
        prompts.notify(QStringLiteral("Книга Excel записана в файл %1, но программы, которая "
                                      "открывает файлы .xlsx, не нашлось.")
                           .arg(QDir::toNativeSeparators(target)));
    return target;
}

QString proposedPdfName(const QString &specificationName, const QString &suffix)
{
    const QFileInfo file(specificationName);
    QString base = file.completeBaseName();
    if (base.isEmpty())
        base = specificationName;
    return file.dir().filePath(base + suffix + QStringLiteral(".pdf"));
}

} // namespace Reports
