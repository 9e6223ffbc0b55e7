// "Сортировка": group numbers from the group order and running position
// numbers for 10,000 positions completed from a 100,000-good catalogue.
// Target: at most 100 ms. Undoing that sort and doing it again ("Отменить",
// "Вернуть"): at most 100 ms each.

#include "BenchData.h"
#include "Catalogue.h"
#include "Numbering.h"
#include "PositionsEdit.h"
#include "Reconciliation.h"
#include "Session.h"

#include <QTemporaryDir>
#include <QUndoStack>
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

// A fresh specification with one sort on its stack.
Fixture &sorted()
{
    static Fixture &f = []() -> Fixture & {
        Fixture &made = BenchData::keptUntilExit(new Fixture);
        Numbering::sortAndNumber(made.session);
        return made;
    }();
    return f;
}

void BM_UndoSort(benchmark::State &state)
{
    QUndoStack &stack = sorted().session.document().undoStack();
    for (auto _ : state) {
        stack.undo();
        state.PauseTiming();
        stack.redo();
        state.ResumeTiming();
    }
    state.counters["steps"] = stack.count();
}
BENCHMARK(BM_UndoSort)->Unit(benchmark::kMillisecond);

void BM_RedoSort(benchmark::State &state)
{
    QUndoStack &stack = sorted().session.document().undoStack();
    for (auto _ : state) {
        state.PauseTiming();
        stack.undo();
        state.ResumeTiming();
        stack.redo();
    }
    // What the step keeps: the numbers of every position before and after.
    state.counters["step_bytes"] =
        double(static_cast<const PositionsEdit *>(stack.command(0))->change().bytes().size());
}
BENCHMARK(BM_RedoSort)->Unit(benchmark::kMillisecond);

} // namespace
