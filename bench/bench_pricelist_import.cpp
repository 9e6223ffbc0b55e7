// "Импорт прайс-листа": a supplier's price list of 100,000 rows read,
// checked and written into a 100,000-good catalogue. Half the rows are
// goods the catalogue holds (named in another letter case) with new prices,
// half are new goods. The list comes as CSV in code page 1251 (argument 0)
// or as a workbook (argument 1), as this month's list of a supplier whose
// last one made the catalogue: the goods it holds keep their descriptions.
// Argument 2 is the CSV list with every description changed as well, the
// most a list can ask of the catalogue. Target: at most 2 s.

#include "BenchData.h"
#include "CodePage1251.h"
#include "Platform.h"
#include "PriceListImport.h"
#include "Session.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>
#include <string>
#include <xlsxwriter.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kRows = 100'000;

const QStringList kHeaders = {QStringLiteral("Артикул"),   QStringLiteral("Наименование"),
                              QStringLiteral("Ед. изм."),  QStringLiteral("Цена, руб."),
                              QStringLiteral("Масса, кг"), QStringLiteral("Производитель")};

// Row i of the list; captions holds the descriptions of the catalogue's
// goods, which the goods of the list keep unless renamed.
QStringList row(int i, const QStringList &captions, bool renamed)
{
    const int good = (i * 7919) % kGoods;
    const bool known = i % 2 == 0;
    return {known ? BenchData::goodName(good).toLower() : QStringLiteral("Новый-%1").arg(i),
            known && !renamed ? captions[good]
                              : QStringLiteral("Воздуховод d=%1, исполнение %2; оцинкованная "
                                               "сталь")
                                    .arg(100 + i % 900)
                                    .arg(i),
            i % 5 ? QStringLiteral("Шт") : QStringLiteral("мп"),
            QStringLiteral("%1 %2,%3")
                .arg(1 + i % 90)
                .arg(100 + i % 900)
                .arg(i % 100, 2, 10, QLatin1Char('0')),
            QStringLiteral("%1,%2").arg(i % 40).arg(i % 10),
            QStringLiteral("Завод №%1").arg(i % 17)};
}

struct Fixture {
    QTemporaryDir dir;
    Session session;
    QString pristine = dir.filePath(QStringLiteral("pristine.mdb"));
    QString csv = dir.filePath(QStringLiteral("Прайс.csv"));
    QString workbook = dir.filePath(QStringLiteral("Прайс.xlsx"));
    QString renamed = dir.filePath(QStringLiteral("Прайс с новыми описаниями.csv"));

    Fixture()
    {
        BenchData::makeCatalogue(session, pristine, kGoods);
        QStringList captions;
        session.goods().forEachGood([&](const CatalogueGood &good) { captions << good.caption; });
        session.setCatalogueFile(dir.filePath(QStringLiteral("dorvik-Vent.mdb")));
        writeCsv(csv, captions, false);
        writeCsv(renamed, captions, true);

        const std::string numeric = setlocale(LC_NUMERIC, nullptr);
        setlocale(LC_NUMERIC, "C");
        lxw_workbook *book = workbook_new(workbook.toUtf8().constData());
        lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
        for (int column = 0; column < kHeaders.size(); ++column)
            worksheet_write_string(sheet, 0, column, kHeaders[column].toUtf8().constData(),
                                   nullptr);
        for (int i = 0; i < kRows; ++i) {
            const QStringList cells = row(i, captions, false);
            for (int column = 0; column < cells.size(); ++column) {
                if (column == 3)
                    worksheet_write_number(sheet, i + 1, column, 100.5 + i % 9000, nullptr);
                else
                    worksheet_write_string(sheet, i + 1, column, cells[column].toUtf8().constData(),
                                           nullptr);
            }
        }
        if (workbook_close(book) != LXW_NO_ERROR)
            qFatal("cannot write the workbook");
        setlocale(LC_NUMERIC, numeric.c_str());
    }

    // A quoted description holds the delimiter, as exported ones do.
    static void writeCsv(const QString &path, const QStringList &captions, bool renamed)
    {
        QString text = kHeaders.join(u';') + QStringLiteral("\r\n");
        for (int i = 0; i < kRows; ++i) {
            QStringList cells = row(i, captions, renamed);
            cells[1] = u'"' + cells[1] + u'"';
            text += cells.join(u';') + QStringLiteral("\r\n");
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(CodePage1251::encode(text)) < 0)
            qFatal("cannot write the price list");
    }

    // Every run starts from the same catalogue, on the disk already.
    void restoreCatalogue()
    {
        const QString &file = session.catalogueFile();
        QFile::remove(file);
        QFile copy(file);
        if (!QFile::copy(pristine, file) || !copy.open(QIODevice::ReadWrite) ||
            !Platform::syncToDisk(copy.handle()))
            qFatal("cannot copy the catalogue");
    }
};

void BM_ImportPriceList(benchmark::State &state)
{
    static Fixture &f = BenchData::keptUntilExit(new Fixture);
    const QString &path = state.range(0) == 0   ? f.csv
                          : state.range(0) == 1 ? f.workbook
                                                : f.renamed;
    for (auto _ : state) {
        state.PauseTiming();
        f.restoreCatalogue();
        state.ResumeTiming();
        const PriceListImport::Source source = PriceListImport::read(path);
        const PriceListImport::Plan plan =
            PriceListImport::plan(source, source.mapping, true, f.session.goods());
        if (plan.updated != kRows / 2 || plan.added != kRows / 2 || !plan.skipped.isEmpty())
            qFatal("the price list was not read as made");
        benchmark::DoNotOptimize(PriceListImport::write(plan, f.session.goods()));
    }
}
BENCHMARK(BM_ImportPriceList)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
