// The editor's grid over a 10,000-position specification: loading the
// positions, and painting a screenful of rows as the user scrolls (every
// cell's text, colour and alignment). Both must feel instant.

#include "BenchData.h"
#include "PositionsModel.h"
#include "Session.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPositions = 10'000;
constexpr int kScreenRows = 30;

struct Specification {
    QTemporaryDir dir;
    Session session;

    Specification()
    {
        BenchData::makeWorkingDatabase(session, dir.filePath(QStringLiteral("work.mdb")));
        BenchData::fillSpecification(session.working(), kPositions, 100'000);
    }
};

Specification &specification()
{
    static Specification instance;
    return instance;
}

void BM_EditorLoadsPositions(benchmark::State &state)
{
    PositionsModel model(specification().session);
    for (auto _ : state) {
        model.reload();
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(BM_EditorLoadsPositions)->Unit(benchmark::kMillisecond);

void BM_EditorScrollsAScreenful(benchmark::State &state)
{
    PositionsModel model(specification().session);
    model.reload();
    int top = 0;
    for (auto _ : state) {
        for (int row = top; row < top + kScreenRows; ++row)
            for (int column = 0; column < PositionsModel::ColumnCount; ++column)
                for (const int role : {Qt::DisplayRole, Qt::BackgroundRole, Qt::TextAlignmentRole})
                    benchmark::DoNotOptimize(model.data(model.index(row, column), role));
        top = (top + 997) % (kPositions - kScreenRows);
    }
}
BENCHMARK(BM_EditorScrollsAScreenful)->Unit(benchmark::kMicrosecond);

} // namespace
