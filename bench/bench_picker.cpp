// The component picker's search over a 100,000-good catalogue, as the window
// runs it on a keystroke: build the clause, run the query, read the first
// batch of goods for the list. Target: the first rows within 50 ms.

#include "BenchData.h"
#include "ComponentPicker.h"
#include "GoodsList.h"
#include "PickerFilter.h"
#include "Schema.h"
#include "Session.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;

struct Catalogue {
    QTemporaryDir dir;
    Session session;

    Catalogue()
    {
        const QString path = dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        session.setCatalogueFile(path);
        session.catalogue().create();
        Schema::createCatalogueTables(session.catalogue());
        BenchData::fillCatalogue(session.catalogue(), kGoods);
        session.catalogue().close();
        session.catalogueEditor().open();
    }
};

Catalogue &catalogue()
{
    static Catalogue instance;
    return instance;
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
    GoodsList list(catalogue().session.catalogueEditor());
    for (auto _ : state) {
        ComponentPicker::runQuery(list, catalogue().session.goods(),
                                  PickerFilter::typing(criteria));
        benchmark::DoNotOptimize(list.rowCount());
        if (list.rowCount() > 0)
            benchmark::DoNotOptimize(list.data(list.index(0, 0)));
    }
    state.SetLabel(criteria.words.isEmpty() ? "(empty)" : criteria.words.toStdString());
    state.counters["rows"] = list.rowCount();
}
BENCHMARK(BM_PickerFirstRows)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

} // namespace
