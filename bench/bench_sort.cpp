// "Сортировка": group numbers from the group order and running position
// numbers for 10,000 positions completed from a 100,000-good catalogue.
// Target: at most 100 ms.

#include "BenchData.h"
#include "Catalogue.h"
#include "Numbering.h"
#include "Reconciliation.h"
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
        BenchData::makeCatalogue(session, dir.filePath(QStringLiteral("dorvik-Vent.mdb")), kGoods);
        BenchData::makeWorkingDatabase(session, dir.filePath(QStringLiteral("work.mdb")));
        BenchData::fillSpecification(session.working(), kPositions, kGoods);
        // Captions and groups as an opened specification has them.
        Reconciliation::reconcile(session);
        session.setGroupOrder(session.goods().groupOrder());
    }
};

void BM_SortAndNumber(benchmark::State &state)
{
    static Fixture &f = BenchData::keptUntilExit(new Fixture);
    for (auto _ : state)
        benchmark::DoNotOptimize(Numbering::sortAndNumber(f.session));
}
BENCHMARK(BM_SortAndNumber)->Unit(benchmark::kMillisecond);

} // namespace
