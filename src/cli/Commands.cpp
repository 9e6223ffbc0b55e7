#include "Commands.h"

#include "AppError.h"
#include "CatalogueAddress.h"
#include "CatalogueCheck.h"
#include "CatalogueCopy.h"
#include "CatalogueExport.h"
#include "CatalogueUpdate.h"
#include "Combine.h"
#include "Console.h"
#include "DrawingExchange.h"
#include "Numbering.h"
#include "PositionsTable.h"
#include "PriceColumns.h"
#include "PriceListFile.h"
#include "PriceListImport.h"
#include "ReportOutput.h"
#include "Reports.h"
#include "Session.h"
#include "Settings.h"
#include "SpecificationCheck.h"
#include "SpecificationCommands.h"
#include "SpecificationFile.h"
#include "Workspace.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <functional>
#include <memory>
#include <optional>

namespace {

const QString kStageOption = QStringLiteral("--stage");
const QString kFirmOption = QStringLiteral("--firm");
const QString kPagesOption = QStringLiteral("--pages");
const QString kMapOption = QStringLiteral("--map");
const QString kSheetOption = QStringLiteral("--sheet");
const QString kNoNewFlag = QStringLiteral("--no-new");
const QString kDryRunFlag = QStringLiteral("--dry-run");

ExitStatus check(Workspace &workspace, const Invocation &invocation, Console &console)
{
    ExitStatus status = Success;
    for (const QString &file : invocation.files) {
        try {
            const int count = workspace.open(file);
            const SpecificationCheck::Findings findings =
                SpecificationCheck::examine(workspace.session());
            QTextStream &out = console.out();
            out << file << ": позиций " << count << ", нет в базе товара "
                << findings.unknownNames.size() << ", без группы " << findings.ungrouped.size()
                << '\n';
            for (const QString &name : findings.unknownNames)
                out << "  нет в базе товара: " << name << '\n';
            for (const SpecificationCheck::Position &position : findings.ungrouped)
                out << "  без группы: поз. " << position.number << ' ' << position.name << '\n';
            out.flush();
        } catch (const AppError &error) {
            console.refuse(error, file);
            status = Refused;
        }
    }
    return status;
}

// The commands that read one file and write what they make of it: a
// refused file or a failed write is named, and nothing is written. What
// prepare refuses is the source file's fault, what write refuses the
// output's.
ExitStatus transformTo(Workspace &workspace, const Invocation &invocation, Console &console,
                       const std::function<void(Session &session)> &write,
                       const std::function<void(Session &session)> &prepare = {})
{
    const QString &source = invocation.files.first();
    try {
        workspace.open(source);
        if (prepare)
            prepare(workspace.session());
    } catch (const AppError &error) {
        // A file read on the way (the numbers of a synchronisation) is named
        // itself.
        console.refuse(error, error.file().isEmpty() ? source : error.file());
        return Refused;
    }
    try {
        write(workspace.session());
    } catch (const AppError &error) {
        console.refuse(error, invocation.output);
        return Refused;
    }
    return Success;
}

// The same for a changed specification file.
ExitStatus transform(Workspace &workspace, const Invocation &invocation, Console &console,
                     const std::function<void(Session &session)> &change)
{
    return transformTo(workspace, invocation, console, [&](Session &session) {
        change(session);
        SpecificationCommands::writeCopy(session, invocation.output);
    });
}

ExitStatus save(Workspace &workspace, const Invocation &invocation, Console &console)
{
    return transform(workspace, invocation, console, [](Session &) {});
}

ExitStatus sort(Workspace &workspace, const Invocation &invocation, Console &console)
{
    const QString &source = invocation.files.first();
    return transform(workspace, invocation, console, [&](Session &session) {
        if (invocation.flags.contains(QStringLiteral("--clean")))
            Numbering::removeEmptyPositions(session);
        if (Numbering::sortAndNumber(session) == 0)
            return;
        QTextStream &err = console.err();
        err << source << QStringLiteral(": позиции неопределенных групп:") << '\n';
        for (const Position &position :
             session.document().positions().read({PositionFilter::Kind::UndefinedGroup, {}}))
            err << QStringLiteral("  поз. ") << position.number.value_or(0) << ' ' << position.name
                << '\n';
        err.flush();
    });
}

// "--pages 2-3" or "--pages 2"; every page without it, nothing when it is
// not of that form.
std::optional<PageSpan> pageSpan(const Invocation &invocation)
{
    if (!invocation.options.contains(kPagesOption))
        return PageSpan{};
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,9})\\s*(?:-\\s*(\\d{1,9})\\s*)?$"));
    const QRegularExpressionMatch match = form.match(invocation.options.value(kPagesOption));
    if (!match.hasMatch())
        return std::nullopt;
    const int from = match.captured(1).toInt();
    return PageSpan{from, match.hasCaptured(2) ? match.captured(2).toInt() : from};
}

// The commands that print a report of one file to PDF: the file read as the
// program opens it, the stage and the firm from the options or the settings,
// the pages from --pages. A page range the report has not is the file's
// fault, as its length is.
ExitStatus printed(Workspace &workspace, const Invocation &invocation, Console &console,
                   const std::function<std::unique_ptr<Report>(Session &session)> &make)
{
    const std::optional<PageSpan> pages = pageSpan(invocation);
    if (!pages) {
        console.err() << QStringLiteral("kvintor-cli: после «%1» нужны страницы: «2-3» или «2».")
                             .arg(kPagesOption)
                      << Qt::endl;
        return WrongUsage;
    }
    std::unique_ptr<Report> report;
    const auto prepare = [&](Session &session) {
        if (invocation.options.contains(kStageOption))
            session.document().setHeaderField(HeaderFields::Stage,
                                              invocation.options.value(kStageOption));
        session.setFirmName(invocation.options.contains(kFirmOption)
                                ? invocation.options.value(kFirmOption)
                                : Settings().firmName());
        report = make(session);
        ReportOutput::checkPages(*report, *pages);
    };
    return transformTo(
        workspace, invocation, console,
        [&](Session &session) { Reports::writePdf(session, *report, invocation.output, *pages); },
        prepare);
}

ExitStatus sheet(Workspace &workspace, const Invocation &invocation, Console &console)
{
    return printed(workspace, invocation, console, [](Session &session) {
        return std::make_unique<SheetReport>(Reports::sheetContents(session));
    });
}

// The positions without a price go to the error stream, all of them, and
// the estimate is written all the same.
ExitStatus estimate(Workspace &workspace, const Invocation &invocation, Console &console)
{
    const QString &source = invocation.files.first();
    return printed(workspace, invocation, console, [&](Session &session) {
        return Reports::estimate(session, QDate::currentDate(), [&](const QStringList &unpriced) {
            QTextStream &err = console.err();
            err << source << QStringLiteral(": нет цены у позиций, их суммы в смете пусты:")
                << '\n';
            for (const QString &position : unpriced)
                err << "  " << position << '\n';
            err.flush();
        });
    });
}

ExitStatus workbook(Workspace &workspace, const Invocation &invocation, Console &console)
{
    return transformTo(workspace, invocation, console, [&](Session &session) {
        Reports::writeWorkbook(session, invocation.output, QDate::currentDate());
    });
}

ExitStatus exchange(Workspace &workspace, const Invocation &invocation, Console &console)
{
    // A text the exchange file cannot hold is the source file's fault.
    DrawingExchange::ExchangeFile file;
    const ExitStatus status = transformTo(
        workspace, invocation, console,
        [&](Session &) { DrawingExchange::writeExchangeFile(file, invocation.output); },
        [&](Session &session) { file = DrawingExchange::exchangeFile(session); });
    if (status == Success && !file.respelled.isEmpty()) {
        QTextStream &err = console.err();
        err << invocation.files.first()
            << QStringLiteral(": знаки, которых нет в кодовой странице 1251, записаны "
                              "ближайшим написанием:")
            << '\n';
        for (const DrawingExchange::Respelled &respelled : file.respelled)
            err << "  " << DrawingExchange::respelledLine(respelled) << '\n';
        err.flush();
    }
    return status;
}

// "Синхронизация" without the dialog: the numbers of the second file given
// to the first one's positions by block name.
ExitStatus sync(Workspace &workspace, const Invocation &invocation, Console &console)
{
    return transformTo(
        workspace, invocation, console,
        [&](Session &session) { SpecificationCommands::writeCopy(session, invocation.output); },
        [&](Session &session) { DrawingExchange::synchronise(session, invocation.files.at(1)); });
}

// "ФАЙЛ.СО=N": the file and its coefficient; a plain name proposes its own,
// as the combine dialog does. A file whose name has "=" in it is taken whole.
std::optional<Combine::Source> source(const QString &argument)
{
    const qsizetype equals = argument.lastIndexOf(u'=');
    if (equals < 0 || QFileInfo::exists(argument)) {
        const std::optional<int> proposed =
            Combine::coefficient(Combine::proposedCoefficient(QFileInfo(argument).fileName()));
        return Combine::Source{argument, proposed.value_or(1)};
    }
    const std::optional<int> coefficient = Combine::coefficient(argument.mid(equals + 1));
    if (!coefficient)
        return std::nullopt;
    return Combine::Source{argument.left(equals), *coefficient};
}

// Why the coefficient after "=" of argument is refused.
QString coefficientFault(const QString &argument)
{
    return Combine::coefficientFault(argument.mid(argument.lastIndexOf(u'=') + 1))
        .value_or(QString());
}

ExitStatus combine(Workspace &workspace, const Invocation &invocation, Console &console)
{
    QList<Combine::Source> sources;
    for (const QString &argument : invocation.files) {
        const std::optional<Combine::Source> read = source(argument);
        if (!read) {
            console.refuse(
                AppError(
                    QStringLiteral("коэффициент после «=» %1.").arg(coefficientFault(argument))),
                argument);
            return WrongUsage;
        }
        sources << *read;
    }
    Session &session = workspace.session();
    try {
        // The combined specification starts empty, under the first file's header.
        SpecificationFile::Contents first = SpecificationFile::load(sources.first().path);
        first.header[HeaderFields::Stage] = session.document().header()[HeaderFields::Stage];
        session.document().setHeader(first.header);
        session.document().positions().replaceAll({});
        Combine::combine(session, sources);
    } catch (const AppError &error) {
        console.refuse(error, QString());
        return Refused;
    }
    try {
        SpecificationCommands::writeCopy(session, invocation.output);
    } catch (const AppError &error) {
        console.refuse(error, invocation.output);
        return Refused;
    }
    return Success;
}

// The sheet that "--sheet" names by its number from 1 or by its name; the
// first one without it.
int sheetOf(const QString &file, const Invocation &invocation)
{
    if (!invocation.options.contains(kSheetOption))
        return 0;
    const QString wanted = invocation.options.value(kSheetOption);
    const QStringList sheets = PriceListFile::sheetNames(file);
    if (sheets.isEmpty())
        throw AppError(QStringLiteral("«%1» — только для книг Excel: в файле CSV листов нет.")
                           .arg(kSheetOption),
                       file);
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber && number >= 1 && number <= sheets.size())
        return number - 1;
    if (const qsizetype named = sheets.indexOf(wanted); named >= 0)
        return int(named);
    QStringList listed;
    for (qsizetype i = 0; i < sheets.size(); ++i)
        listed << QStringLiteral("%1 «%2»").arg(QString::number(i + 1), sheets[i]);
    throw AppError(QStringLiteral("В книге нет листа «%1»; листы: %2.")
                       .arg(wanted, listed.join(QStringLiteral(", "))),
                   file);
}

// "Импорт прайс-листа" without the dialog: the columns guessed from the
// headers (or as last imported in the window from a file of the same name
// pattern), then --map; the report first, then the write, unless --dry-run.
ExitStatus catalogueImport(Workspace &workspace, const Invocation &invocation, Console &console)
{
    const QString &file = invocation.files.first();
    Catalogue &catalogue = workspace.session().goods();
    QTextStream &out = console.out();
    PriceListImport::Plan plan;
    try {
        const PriceListImport::Source source =
            PriceListImport::read(file, sheetOf(file, invocation));
        PriceColumns::Mapping mapping = source.mapping;
        if (invocation.options.contains(kMapOption)) {
            try {
                PriceColumns::apply(invocation.options.value(kMapOption), source.headers, mapping);
            } catch (const AppError &error) {
                console.err() << QStringLiteral("kvintor-cli: %1: ").arg(kMapOption)
                              << error.message() << Qt::endl;
                return WrongUsage;
            }
        }
        out << file << ": " << source.table.format << QStringLiteral(", заголовки в строке ")
            << source.table.rows[source.headerRow].line << '\n';
        if (mapping[PriceColumns::Name] < 0)
            throw AppError(QStringLiteral("Не найден столбец имени блока; укажите его: %1 "
                                          "name=СТОЛБЕЦ. Столбцы: %2.")
                               .arg(kMapOption, source.headers.join(QStringLiteral(", "))),
                           file);
        out << file << QStringLiteral(": столбцы: ")
            << PriceColumns::describe(mapping, source.headers) << '\n';
        plan = PriceListImport::plan(source, mapping, !invocation.flags.contains(kNoNewFlag),
                                     catalogue);
    } catch (const AppError &error) {
        out.flush();
        console.refuse(error, error.file().isEmpty() || error.file() == file ? file : QString());
        return Refused;
    }
    out << file << ": " << PriceListImport::summary(plan) << '\n';
    for (const QString &line : PriceListImport::skippedLines(plan))
        out << "  " << line << '\n';
    if (invocation.flags.contains(kDryRunFlag)) {
        out << file << QStringLiteral(": пробный прогон: в базу товара ничего не записано") << '\n';
        out.flush();
        return Success;
    }
    try {
        const GoodsWritten written = PriceListImport::write(plan, catalogue);
        out << file << ": " << PriceListImport::writtenText(written) << '\n';
        out.flush();
    } catch (const StaleWrite &refusal) {
        out.flush();
        console.refuse(AppError(refusal.message() +
                                QStringLiteral(" Запустите импорт ещё раз: прайс-лист будет "
                                               "прочитан и сверен с базой товара заново.")),
                       file);
        return Refused;
    } catch (const AppError &error) {
        out.flush();
        console.refuse(error);
        return Refused;
    }
    return Success;
}

ExitStatus catalogueExport(Workspace &workspace, const Invocation &invocation, Console &console)
{
    try {
        const int goods = CatalogueExport::write(workspace.session().goods(), invocation.output);
        console.out() << invocation.output << QStringLiteral(": товаров ") << goods << Qt::endl;
    } catch (const AppError &error) {
        console.refuse(error, invocation.output);
        return Refused;
    }
    return Success;
}

// "Обновить базу" without the editor: every position of the file, read and
// completed as the program opens it, written into the catalogue.
ExitStatus update(Workspace &workspace, const Invocation &invocation, Console &console)
{
    const QString &source = invocation.files.first();
    try {
        workspace.open(source);
    } catch (const AppError &error) {
        console.refuse(error, source);
        return Refused;
    }
    try {
        const GoodsWritten written = CatalogueUpdate::writeShown(workspace.session());
        console.out() << source << ": " << CatalogueUpdate::writtenMessage(written) << Qt::endl;
    } catch (const AppError &error) {
        console.refuse(error, workspace.session().catalogueAddress());
        return Refused;
    }
    return Success;
}

// A good as a line of the catalogue's check: its block name and, where it
// has one, its group.
QString goodLine(const CatalogueGood &good)
{
    return good.group.isEmpty() ? good.name
                                : QStringLiteral("%1 (группа «%2»)").arg(good.name, good.group);
}

ExitStatus catalogueCheck(Workspace &workspace, const Invocation &, Console &console)
{
    Session &session = workspace.session();
    const QString file = session.catalogueAddress();
    try {
        const CatalogueCheck::Findings findings = CatalogueCheck::examine(session.goods());
        QTextStream &out = console.out();
        out << file << ": товаров " << findings.goods << ", групп " << findings.groups
            << ", без группы " << findings.ungrouped.size() << ", одинаковых имён "
            << findings.namesakes.size() << '\n';
        for (const StoredGood &good : findings.ungrouped)
            out << "  без группы: " << goodLine(good.good) << '\n';
        for (const NamesakeGoods &namesakes : findings.namesakes) {
            QStringList names;
            for (const StoredGood &good : namesakes)
                names << good.good.name;
            out << "  одинаковые имена: " << names.join(QStringLiteral(", ")) << '\n';
        }
        out.flush();
    } catch (const AppError &error) {
        console.refuse(error, file);
        return Refused;
    }
    return Success;
}

// A whole catalogue from one place to the other, a file or a server each:
// a file that is not there yet is made.
ExitStatus catalogueCopy(const Invocation &invocation, Console &console)
{
    const QString &from = invocation.files[0];
    const QString &to = invocation.files[1];
    std::unique_ptr<Catalogue> source;
    try {
        source = CatalogueAddress::open(from);
    } catch (const AppError &error) {
        console.refuse(error, from);
        return Refused;
    }
    try {
        // The goods are written as they are read: a file copied onto itself
        // would be emptied before it is read.
        if (!CatalogueAddress::isServer(from) && !CatalogueAddress::isServer(to) &&
            QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
            throw AppError(QStringLiteral("Каталог нельзя скопировать в самого себя: «%1» и «%2» "
                                          "— один и тот же файл.")
                               .arg(from, to));
        const std::unique_ptr<Catalogue> target = CatalogueAddress::open(to, true);
        const CatalogueCopy::Copied copied = CatalogueCopy::copy(*source, *target);
        console.out() << to << QStringLiteral(": скопировано товаров ") << copied.goods
                      << QStringLiteral(", групп ") << copied.groups << Qt::endl;
    } catch (const AppError &error) {
        console.refuse(error, to);
        return Refused;
    }
    return Success;
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> table = {
        {QStringLiteral("check"),
         QStringLiteral("ФАЙЛ.СО..."),
         QStringLiteral("открывает файлы, как программа, и называет число позиций, блоки, "
                        "которых нет в базе товара, и позиции без группы"),
         Command::Files::Many,
         false,
         {},
         check,
         {}},
        {QStringLiteral("save"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.СО"),
         QStringLiteral(
             "открывает файл, как программа, и сохраняет его, как команда "
             "«Сохранить спецификацию»: в кодовой странице 1251, где текст это позволяет"),
         Command::Files::One,
         true,
         {},
         save,
         {}},
        {QStringLiteral("sort"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.СО [--clean]"),
         QStringLiteral("открывает файл, как программа, нумерует позиции по порядку групп базы "
                        "товара («Сортировка») и сохраняет; позиции неопределенных групп "
                        "перечисляет в потоке ошибок; --clean сначала удаляет позиции с "
                        "количеством 0 и без группы («Удалить нулевые»)"),
         Command::Files::One,
         true,
         {QStringLiteral("--clean")},
         sort,
         {}},
        {QStringLiteral("combine"),
         QStringLiteral("-o ВЫХОД.СО ФАЙЛ.СО[=N]..."),
         QStringLiteral("складывает спецификации, как «Добавить спецификацию», начиная с "
                        "пустой: количество каждой позиции файла умножается на коэффициент N "
                        "(отрицательный вычитает); без «=N» коэффициент берётся из имени файла, "
                        "как «(3 шт)», иначе 1; заголовок — первого файла"),
         Command::Files::Many,
         true,
         {},
         combine,
         {}},
        {QStringLiteral("sheet"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.pdf [--stage СТАДИЯ] [--firm ФИРМА] [--pages С-ПО]"),
         QStringLiteral("открывает файл, как программа, и печатает лист «Спецификация "
                        "оборудования и материалов» (A3) в PDF/A, как команда «Спецификация»; "
                        "стадия — из --stage, иначе «РД», фирма — из --firm, иначе из настроек; "
                        "--pages 2-3 печатает только листы со 2 по 3 с их номерами"),
         Command::Files::One,
         true,
         {},
         sheet,
         {kStageOption, kFirmOption, kPagesOption}},
        {QStringLiteral("estimate"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.pdf [--firm ФИРМА] [--pages С-ПО]"),
         QStringLiteral("открывает файл, как программа, и печатает смету (A4) в PDF/A, как "
                        "команда «Смета»; позиции без цены перечисляет в потоке ошибок; фирма — "
                        "из --firm, иначе из настроек; --pages 2-3 печатает только страницы со 2 "
                        "по 3"),
         Command::Files::One,
         true,
         {},
         estimate,
         {kFirmOption, kPagesOption}},
        {QStringLiteral("workbook"),
         QStringLiteral("ФАЙЛ.СО -o ВЫХОД.xlsx"),
         QStringLiteral("открывает файл, как программа, и записывает книгу Excel, как команда "
                        "«Экспорт в Excel»: группы с их позициями, числа — числовыми ячейками"),
         Command::Files::One,
         true,
         {},
         workbook,
         {}},
        {QStringLiteral("exchange"),
         QStringLiteral("ФАЙЛ.СО -o ЧЕРТЁЖ.tmp"),
         QStringLiteral("открывает файл, как программа, и записывает файл обмена с чертежом, "
                        "который команда «Экспорт в Acad» кладёт рядом с чертежом"),
         Command::Files::One,
         true,
         {},
         exchange,
         {}},
        {QStringLiteral("sync"),
         QStringLiteral("ФАЙЛ.СО НОМЕРА.СО -o ВЫХОД.СО"),
         QStringLiteral("открывает файл, как программа, и даёт его позициям номера позиций с тем "
                        "же именем блока из второго файла, как «Синхронизация»: остальные "
                        "получают 0; второй файл проверяется, как файл спецификации"),
         Command::Files::Two,
         true,
         {},
         sync,
         {}},
        {QStringLiteral("catalogue import"),
         QStringLiteral("ФАЙЛ.csv|ФАЙЛ.xlsx [--map СТОЛБЦЫ] [--sheet ЛИСТ] [--no-new] [--dry-run]"),
         QStringLiteral("читает прайс-лист, как «Импорт прайс-листа», и пишет в базу товара: "
                        "товар с тем же именем блока получает данные выбранных столбцов, новое "
                        "имя становится товаром (с --no-new пропускается); сначала печатает "
                        "«обновится N, добавится M, пропущено K» и каждую пропущенную строку с "
                        "причиной; --dry-run только печатает; столбцы угадываются по заголовкам, "
                        "--map их задаёт: «name=Артикул,price=3,caption=\"Наименование, "
                        "марка\",mass=» (поля name, caption, unit, price, mass, type, code, "
                        "maker, group; столбец — номер с 1 или заголовок; пусто — не брать); "
                        "--sheet — номер или имя листа книги"),
         Command::Files::One,
         false,
         {kNoNewFlag, kDryRunFlag},
         catalogueImport,
         {kMapOption, kSheetOption},
         true},
        {QStringLiteral("catalogue export"),
         QStringLiteral("-o ФАЙЛ.csv|ФАЙЛ.xlsx"),
         QStringLiteral("записывает все товары базы товара в девяти столбцах с заголовками, "
                        "которые «catalogue import» узнаёт: в книгу Excel, если имя кончается на "
                        ".xlsx, иначе в CSV (UTF-8, разделитель «;»)"),
         Command::Files::None,
         true,
         {},
         catalogueExport,
         {}},
        {QStringLiteral("update"),
         QStringLiteral("ФАЙЛ.СО"),
         QStringLiteral("открывает файл, как программа, и записывает все его позиции в базу "
                        "товара, как «Обновить базу»: товар того же имени блока получает "
                        "описание позиции, остальные позиции становятся новыми товарами; "
                        "называет, сколько записано"),
         Command::Files::One,
         false,
         {},
         update,
         {},
         true},
        {QStringLiteral("catalogue check"),
         QString(),
         QStringLiteral("проверяет базу товара: число товаров и групп, товары без группы или "
                        "с группой, которой нет в порядке групп, и товары, имена блоков которых "
                        "различаются только регистром букв"),
         Command::Files::None,
         false,
         {},
         catalogueCheck,
         {}},
        {QStringLiteral("catalogue copy"),
         QStringLiteral("ОТКУДА КУДА"),
         QStringLiteral("копирует всю базу товара — товары и порядок групп — из файла на сервер "
                        "или с сервера в файл (файл или адрес postgresql://…): всё или ничего; "
                        "всё, что было в базе КУДА, заменяется; называет, сколько скопировано"),
         Command::Files::Two,
         false,
         {},
         nullptr,
         {},
         false,
         catalogueCopy},
    };
    return table;
}
