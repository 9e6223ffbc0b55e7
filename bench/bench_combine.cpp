// "Добавить спецификацию": ten files of 1,000 positions each added to a
// specification of 1,000 positions, then completed from a 100,000-good
// catalogue. The files overlap, so both merging and new positions count.
// Target: at most 300 ms.

#include "BenchData.h"
#include "CodePage1251.h"
#include "Combine.h"
#include "PositionsTable.h"
#include "Session.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kFiles = 10;
constexpr int kPositionsPerFile = 1'000;

void writeFile(const QString &path, int first)
{
    QStringList lines{QStringLiteral("// Заголовок")};
    for (int field = 0; field < 20; ++field)
        lines << QString();
    lines << QStringLiteral("// Начало базы");
    for (int i = 0; i < kPositionsPerFile; ++i) {
        const int good = (first + i * 7) % kGoods;
        lines << QString::number(i + 1) << QStringLiteral("0") << BenchData::goodName(good)
              << QStringLiteral("%1,5").arg(i % 9) << QStringLiteral("шт")
              << QStringLiteral("Описание %1").arg(good) << QString() << QString();
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(CodePage1251::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

struct Fixture {
    QTemporaryDir dir;
    Session session;
    QList<Combine::Source> sources;
    QList<Position> start;

    Fixture()
    {
        BenchData::makeCatalogue(session, dir.filePath(QStringLiteral("dorvik-Vent.mdb")), kGoods);
        BenchData::makeWorkingDatabase(session, dir.filePath(QStringLiteral("work.mdb")));
        BenchData::fillSpecification(session.working(), kPositionsPerFile, kGoods);
        start = session.document().positions().read();
        for (int file = 0; file < kFiles; ++file) {
            const QString path = dir.filePath(QStringLiteral("part%1.СО").arg(file));
            writeFile(path, file * 500);
            sources.append({path, file % 3 == 2 ? -1 : 2});
        }
    }
};

void BM_Combine(benchmark::State &state)
{
    static Fixture &f = BenchData::keptUntilExit(new Fixture);
    for (auto _ : state) {
        state.PauseTiming();
        f.session.document().positions().replaceAll(f.start);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Combine::combine(f.session, f.sources));
    }
}
BENCHMARK(BM_Combine)->Unit(benchmark::kMillisecond);

} // namespace
