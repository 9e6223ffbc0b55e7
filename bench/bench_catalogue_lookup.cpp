// 10,000 look-ups by block name, letter case ignored, in a 100,000-good
// catalogue of Cyrillic names. Target: at most 100 ms for all of them.

#include "BenchData.h"
#include "Database.h"
#include "Schema.h"
#include "SqliteCatalogue.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kLookups = 10'000;

struct Fixture {
    QTemporaryDir dir;
    Database db{QStringLiteral("bench-catalogue")};
    QStringList askedNames;

    Fixture()
    {
        db.setFile(dir.filePath(QStringLiteral("dorvik-Vent.mdb")));
        db.create();
        Schema::createCatalogueTables(db);
        BenchData::fillCatalogue(db, kGoods);
        // Asked as a user types them: in another case than stored.
        for (int i = 0; i < kLookups; ++i) {
            const QString name = BenchData::goodName((i * 104729) % kGoods);
            askedNames << (i % 2 ? name.toUpper() : name.toLower());
        }
    }
};

Fixture &catalogue()
{
    static Fixture &instance = BenchData::keptUntilExit(new Fixture);
    return instance;
}

void BM_CatalogueLookupByName(benchmark::State &state)
{
    Fixture &data = catalogue();
    SqliteCatalogue goods(data.db);
    for (auto _ : state) {
        // All names at once, as reconciliation asks them.
        const QList<std::optional<CatalogueGood>> found = goods.find(data.askedNames);
        if (std::count_if(found.begin(), found.end(), [](const auto &good) { return good; }) !=
            kLookups)
            state.SkipWithError("a name was not found");
        benchmark::DoNotOptimize(found);
    }
    state.counters["lookups"] = kLookups;
}
BENCHMARK(BM_CatalogueLookupByName)->Unit(benchmark::kMillisecond);

} // namespace
