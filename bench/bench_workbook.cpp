// "Экспорт в Excel": 10,000 positions in 50 groups written as an .xlsx
// workbook. Target: at most 500 ms.

#include "Workbook.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGroups = 50;
constexpr int kPositionsPerGroup = 200;

SheetContents contents()
{
    SheetContents contents;
    contents.header = HeaderFields::defaults();
    int number = 0;
    for (int g = 0; g < kGroups; ++g) {
        SheetContents::Group group{QStringLiteral("Группа оборудования %1").arg(g + 1), {}};
        for (int i = 0; i < kPositionsPerGroup; ++i) {
            ++number;
            group.rows.append({QString::number(number),
                               QStringLiteral("Воздуховод из оцинкованной стали %1х200 мм с "
                                              "фланцевыми соединениями")
                                   .arg(100 + i),
                               QStringLiteral("ВКП-%1").arg(i), QStringLiteral("КЛ-%1").arg(number),
                               QStringLiteral("Завод «Климатика»"), QStringLiteral("мп"),
                               QStringLiteral("%1,5").arg(i % 40), QStringLiteral("7,78"),
                               i % 5 == 0 ? QStringLiteral("П1") : QString()});
        }
        contents.groups.append(group);
    }
    return contents;
}

void BM_Workbook(benchmark::State &state)
{
    const SheetContents sheet = contents();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("спецификация.xlsx"));
    for (auto _ : state)
        Workbook::write(sheet, QDate(2026, 12, 9), path);
}
BENCHMARK(BM_Workbook)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace
