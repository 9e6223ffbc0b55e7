// 10,000 look-ups by block name, letter case ignored, in a 100,000-good
// catalogue of Cyrillic names. Target: at most 100 ms for all of them.

#include "BenchData.h"
#include "Database.h"
#include "Schema.h"
#include "Statement.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kLookups = 10'000;

struct Catalogue {
    QTemporaryDir dir;
    Database db{QStringLiteral("bench-catalogue")};
    QStringList askedNames;

    Catalogue()
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

Catalogue &catalogue()
{
    static Catalogue instance;
    return instance;
}

void BM_CatalogueLookupByName(benchmark::State &state)
{
    Catalogue &data = catalogue();
    Statement lookup(data.db,
                     QStringLiteral("SELECT Caption, Abb, Cost, M, TYP, COD, Firma, Gruppa "
                                    "FROM dorvik_data WHERE Name = ? LIMIT 1"));
    for (auto _ : state) {
        int found = 0;
        // One read transaction, as a bulk command runs its look-ups.
        data.db.inTransaction([&] {
            for (const QString &name : data.askedNames) {
                lookup.bind(0, name);
                if (lookup.next()) {
                    ++found;
                    for (int column = 0; column < 8; ++column)
                        benchmark::DoNotOptimize(lookup.value(column));
                }
                lookup.reset();
            }
        });
        if (found != kLookups)
            state.SkipWithError("a name was not found");
        benchmark::DoNotOptimize(found);
    }
    state.counters["lookups"] = kLookups;
}
BENCHMARK(BM_CatalogueLookupByName)->Unit(benchmark::kMillisecond);

} // namespace
