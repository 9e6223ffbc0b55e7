// "Обновить базу": 10,000 positions written into a 100,000-good catalogue,
// half of them goods it holds (named in another letter case), half new.
// Target: at most 500 ms.

#include "BenchData.h"
#include "CatalogueUpdate.h"
#include "Platform.h"
#include "PositionsTable.h"
#include "Prompts.h"
#include "Session.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kPositions = 10'000;

struct Fixture {
    QTemporaryDir dir;
    Session session;
    QString pristine = dir.filePath(QStringLiteral("pristine.mdb"));

    Fixture()
    {
        BenchData::makeCatalogue(session, pristine, kGoods);
        session.setCatalogueFile(dir.filePath(QStringLiteral("dorvik-Vent.mdb")));
        BenchData::makeWorkingDatabase(session, dir.filePath(QStringLiteral("work.mdb")));
        QList<Position> positions;
        for (int i = 0; i < kPositions; ++i) {
            Position position;
            position.name = i % 2 ? QStringLiteral("Новый-%1").arg(i)
                                  : BenchData::goodName((i * 7919) % kGoods).toLower();
            position.caption =
                QStringLiteral("Воздуховод d=%1, исполнение %2").arg(100 + i % 900).arg(i);
            position.quantity = 1 + i % 9;
            position.unit = i % 5 ? QStringLiteral("Шт") : QStringLiteral("мп");
            if (i % 7)
                position.cost = 10.5 + i % 1000;
            position.mass = QStringLiteral("%1,%2").arg(i % 40).arg(i % 10);
            position.type = QStringLiteral("Т-%1").arg(i % 977);
            position.code = QStringLiteral("7.%1").arg(i);
            position.maker = QStringLiteral("Завод №%1").arg(i % 17);
            position.group = QStringLiteral("Воздуховоды");
            position.number = i + 1;
            positions << position;
        }
        session.document().positions().replaceAll(positions);
    }

    // Every run starts from the same catalogue, on the disk already, so
    // that the update's own flush does not write the copy too.
    void restoreCatalogue()
    {
        const QString &file = session.catalogueFile();
        QFile::remove(file);
        QFile copy(file);
        if (!QFile::copy(pristine, file) || !copy.open(QIODevice::ReadWrite) ||
            !Platform::syncToDisk(copy.handle()))
            qFatal("cannot copy the catalogue");
    }
};

// Nobody to ask: the notice at the end is passed over.
class Silent final : public Prompts {
public:
    bool confirm(const QString &) override { return true; }
    Answer ask(const QString &) override { return Answer::Yes; }
    void notify(const QString &) override {}
    QString chooseFileToOpen(const QString &) override { return {}; }
    QStringList chooseFilesToOpen(const QString &) override { return {}; }
    QString chooseFileToSave(const QString &, const QString &) override { return {}; }
    QString chooseFileOfKindToOpen(const FileKind &, const QString &) override { return {}; }
    QString chooseFileOfKindToSave(const FileKind &, const QString &) override { return {}; }
};

void BM_UpdateCatalogue(benchmark::State &state)
{
    static Fixture &f = BenchData::keptUntilExit(new Fixture);
    Silent prompts;
    for (auto _ : state) {
        state.PauseTiming();
        f.restoreCatalogue();
        state.ResumeTiming();
        benchmark::DoNotOptimize(CatalogueUpdate::updateCatalogue(f.session, prompts));
    }
}
BENCHMARK(BM_UpdateCatalogue)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace
