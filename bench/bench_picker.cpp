// The component picker's search over catalogues of 100,000 and 1,000,000
// goods, as the window runs it on a keystroke: ask the catalogue for the
// first page of goods and show it in the list. Targets over 1,000,000
// goods, the worst case being a text that no good holds (the whole
// catalogue is searched): words within 50 ms, a maker alone or a type
// alone within 100 ms.

#include "BenchData.h"
#include "Catalogue.h"
#include "ComponentPicker.h"
#include "GoodsModel.h"
#include "PickerFilter.h"
#include "PickerSearch.h"
#include "Session.h"
#include "SqliteCatalogue.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

struct Fixture {
    QTemporaryDir dir;
    Session session;
    std::unique_ptr<CatalogueHold> held;
    std::unique_ptr<GoodsModel> list;

    explicit Fixture(int goods)
    {
        const QString path = dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        BenchData::makeCatalogue(session, path, goods);
        // Held as the picker holds it while it shows.
        held = session.goods().hold();
        list.reset(ComponentPicker::makeList(session.goods(), nullptr));
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

void search(benchmark::State &state, const PickerCriteria &criteria, int goods)
{
    searchRepeatedly(state, *catalogue(goods).list, criteria);
}

void BM_PickerFirstRows(benchmark::State &state)
{
    const PickerCriteria &criteria = kSearches[state.range(0)];
    search(state, criteria, int(state.range(1)));
    state.SetLabel(criteria.words.isEmpty() ? "(empty)" : criteria.words.toStdString());
}
BENCHMARK(BM_PickerFirstRows)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 4, 1), {100'000, 1'000'000}})
    ->Unit(benchmark::kMillisecond);

// A maker alone and a type alone that no good has: every good's key is read.
void BM_PickerByMaker(benchmark::State &state)
{
    search(state, {{}, {}, {}, QStringLiteral("нет такого завода")}, int(state.range(0)));
}
BENCHMARK(BM_PickerByMaker)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_PickerByType(benchmark::State &state)
{
    search(state, {{}, {}, QStringLiteral("ЖЖ-999"), {}}, int(state.range(0)));
}
BENCHMARK(BM_PickerByType)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The word that no description holds read by the catalogue's own
// connection alone, as on a machine with one core. Registered last, since
// the catalogue reads alone from then on.
void BM_PickerOneCore(benchmark::State &state)
{
    auto &goods = dynamic_cast<SqliteCatalogue &>(catalogue(int(state.range(0))).session.goods());
    goods.shareSearches(1, 1);
    search(state, kSearches[3], int(state.range(0)));
}
BENCHMARK(BM_PickerOneCore)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace
