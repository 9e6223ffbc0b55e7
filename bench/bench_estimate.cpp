// "Смета": 1,000 positions laid out on A4 pages and written to a PDF file.
// Target: at most 0.5 s.

#include "EstimateReport.h"
#include "ReportOutput.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPositions = 1'000;

EstimateContents estimate()
{
    const QString kinds[] = {
        QStringLiteral("Радиатор стальной панельный тип 22 500х%1 с нижним подключением"),
        QStringLiteral("Труба стальная водогазопроводная ГОСТ 3262-75 Ду%1"),
        QStringLiteral("Кран шаровой латунный Ду%1"),
        QStringLiteral("Воздуховод из оцинкованной стали толщиной 0,5 мм сечением %1х200 мм "
                       "с фланцевыми соединениями и уплотнителем"),
    };
    const QString units[] = {QStringLiteral("шт."), QStringLiteral("м"), QStringLiteral("компл.")};
    EstimateContents contents;
    contents.header = HeaderFields::defaults();
    contents.firm = QStringLiteral("ООО «Теплопроект»");
    contents.date = QDate(2024, 3, 5);
    for (int i = 0; i < kPositions; ++i) {
        contents.rows.append({kinds[i % 4].arg(15 + 5 * (i % 40)), 1 + (i % 17) * 0.25,
                              units[i % 3], 12.5 + (i % 250) * 37.35});
    }
    return contents;
}

void BM_EstimateToPdf(benchmark::State &state)
{
    const EstimateContents contents = estimate();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("смета.pdf"));
    for (auto _ : state) {
        const EstimateReport report(contents);
        ReportOutput::writePdf(report, path);
    }
}
BENCHMARK(BM_EstimateToPdf)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace
