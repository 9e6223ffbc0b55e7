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

QString quantityText(const std::optional<double> &quantity)
{
    return quantity ? Numbers::general(*quantity) : QString();
}

} // namespace

SheetContents sheetContents(Session &session)
{
    SheetContents contents;
    contents.header = session.header();
    contents.firm = session.firmName();

    // A group prints once, at the smallest group number among its positions.
    struct Gathered {
        qint64 order = 0;
        qsizetype first = 0;
        SheetContents::Group group;
    };
    QList<Gathered> groups;
    QHash<QString, qsizetype> indexOf;
    for (const Position &position : session.positions().read()) {
        const QString name = position.group.isEmpty() ? QString() : position.group;
        const qint64 order = position.groupNumber.value_or(std::numeric_limits<qint64>::min());
        auto found = indexOf.constFind(name);
        if (found == indexOf.cend()) {
            found = indexOf.insert(name, groups.size());
            groups.append({order, groups.size(), {name, {}}});
        }
        Gathered &gathered = groups[*found];
        gathered.order = std::min(gathered.order, order);
        gathered.group.rows.append({Numbers::whole(position.number), position.caption,
                                    position.type, position.code, position.maker, position.unit,
                                    quantityText(position.quantity), position.mass,
                                    position.comment});
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
    contents.header = session.header();
    contents.firm = session.firmName();
    contents.date = date;
    for (const Position &position : session.positions().read())
        contents.rows.append({position.caption, position.quantity, position.unit, position.cost});
    if (contents.rows.isEmpty())
        throw AppError(QStringLiteral("В спецификации нет позиций: смете нечего перечислить."));
    return contents;
}

void writePdf(Session &session, const Report &report, const QString &path)
{
    try {
        ReportOutput::writePdf(report, path,
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
    QString name = session.specificationName();
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
