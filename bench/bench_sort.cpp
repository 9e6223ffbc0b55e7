// "Сортировка": group numbers from the group order and running position
// numbers for 10,000 positions completed from a 100,000-good catalogue.
// Target: at most 100 ms.

#include "BenchData.h"
#include "Catalogue.h"
#include "Numbering.h"
#include "Reconciliation.h"
#include "Schema.h"
#include "Session.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kPositions = 10'000;

struct Fixture {
    QTemporaryDir dir;
    Session session;

    Fixture()
    {
        session.setCatalogueFile(dir.filePath(QStringLiteral("dorvik-Vent.mdb")));
        session.catalogue().create();
        Schema::createCatalogueTables(session.catalogue());
        BenchData::fillCatalogue(session.catalogue(), kGoods);
        session.catalogue().close();
        session.setWorkingDatabasePath(dir.filePath(QStringLiteral("work.mdb")));
        session.working().create();
        Schema::createWorkingTables(session.working());
        BenchData::fillSpecification(session.working(), kPositions, kGoods);
        // Captions and groups as an opened specification has them.
        Reconciliation::reconcile(session);
        session.setGroupOrder(session.goods().groupOrder());
    }
};

void BM_SortAndNumber(benchmark::State &state)
{
    static Fixture f;
    for (auto _ : state)
        benchmark::DoNotOptimize(Numbering::sortAndNumber(f.session));
}
BENCHMARK(BM_SortAndNumber)->Unit(benchmark::kMillisecond);

} // namespace
