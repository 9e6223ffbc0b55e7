// The component picker's search over catalogues of 100,000 and 1,000,000
// goods, as the window runs it on a keystroke: build the query, run it, read
// the first batch of goods for the list. Target: the first rows within 50 ms
// over 100,000 goods and within 100 ms over 1,000,000, the worst case being
// words that no description holds (the whole catalogue is searched).

#include "BenchData.h"
#include "ComponentPicker.h"
#include "GoodsList.h"
#include "PickerFilter.h"
#include "Session.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

struct Fixture {
    QTemporaryDir dir;
    Session session;

    explicit Fixture(int goods)
    {
        const QString path = dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        BenchData::makeCatalogue(session, path, goods);
        session.catalogueEditor().open();
    }
};

// Made at first use: the large one takes a while to fill.
Fixture &catalogue(int goods)
{
    static std::map<int, Fixture *> made;
    Fixture *&instance = made[goods];
    if (!instance)
        instance = &BenchData::keptUntilExit(new Fixture(goods));
    return *instance;
}

// What users type: nothing yet, a common word, two words in lower case, a
// word that no description holds, and a word narrowed by group and maker.
const PickerCriteria kSearches[] = {
    {{}, {}, {}, {}},
    {QStringLiteral("вентиляторы"), {}, {}, {}},
    {QStringLiteral("клапаны исполнение"), {}, {}, {}},
    {QStringLiteral("дымосос"), {}, {}, {}},
    {QStringLiteral("исполнение 99"), QStringLiteral("Фильтры"), {}, QStringLiteral("завод №3")},
};

void BM_PickerFirstRows(benchmark::State &state)
{
    const PickerCriteria &criteria = kSearches[state.range(0)];
    Fixture &goods = catalogue(int(state.range(1)));
    GoodsList list(goods.session.catalogueEditor());
    for (auto _ : state) {
        ComponentPicker::runQuery(list, goods.session.goods(), PickerFilter::typing(criteria));
        benchmark::DoNotOptimize(list.rowCount());
        if (list.rowCount() > 0)
            benchmark::DoNotOptimize(list.data(list.index(0, 0)));
    }
    state.SetLabel(criteria.words.isEmpty() ? "(empty)" : criteria.words.toStdString());
    state.counters["rows"] = list.rowCount();
}
BENCHMARK(BM_PickerFirstRows)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 4, 1), {100'000, 1'000'000}})
    ->Unit(benchmark::kMillisecond);

} // namespace
