// "Спецификация": 1,000 positions in 20 groups laid out on A3 sheets and
// written to a PDF file. Target: at most 1 s.

#include "ReportOutput.h"
#include "SheetReport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGroups = 20;
constexpr int kPositionsPerGroup = 50;

SheetContents sheet()
{
    const QString captions[] = {
        QStringLiteral("Радиатор стальной панельный тип 22 500х%1 с нижним подключением"),
        QStringLiteral("Труба стальная водогазопроводная ГОСТ 3262-75 Ду%1"),
        QStringLiteral("Кран шаровой латунный Ду%1"),
        QStringLiteral("Воздуховод из оцинкованной стали толщиной 0,5 мм сечением %1х200 мм "
                       "с фланцевыми соединениями, уплотнителем и крепёжными изделиями"),
    };
    SheetContents contents;
    contents.header = HeaderFields::defaults();
    contents.header[HeaderFields::Customer] = QStringLiteral("ООО «Северный квартал»");
    contents.header[HeaderFields::DocumentCode] = QStringLiteral("24-017");
    contents.header[HeaderFields::Section] = QStringLiteral("ОВ");
    contents.firm = QStringLiteral("ООО «Теплопроект»");
    int number = 0;
    for (int g = 0; g < kGroups; ++g) {
        SheetContents::Group group{QStringLiteral("Система П%1").arg(g + 1), {}};
        for (int i = 0; i < kPositionsPerGroup; ++i, ++number)
            group.rows.append({QString::number(number + 1),
                               captions[number % 4].arg(15 + number % 40),
                               QStringLiteral("ВКП-%1").arg(number % 90), QString(),
                               QStringLiteral("ООО «Вентмаш»"), QStringLiteral("шт."),
                               QString::number(1 + number % 17), QStringLiteral("12,5"),
                               number % 7 ? QString() : QStringLiteral("по месту")});
        contents.groups.append(group);
    }
    return contents;
}

void BM_SheetToPdf(benchmark::State &state)
{
    const SheetContents contents = sheet();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("спецификация.pdf"));
    for (auto _ : state) {
        const SheetReport report(contents);
        ReportOutput::writePdf(report, path);
        state.counters["pages"] = report.pageCount();
    }
}
BENCHMARK(BM_SheetToPdf)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace
