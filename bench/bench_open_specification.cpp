// Opening a specification: reading a 10,000-position file into the working
// database, completing every position from a 100,000-good catalogue and
// rebuilding the lists. Target: at most 60 ms (median), with the catalogue
// connected as the program keeps it. For comparison, the same work done the
// literal way (one autocommitted insert per position, then for each
// position one catalogue query by its name's key and one autocommitted
// update by its row key), on the same databases, on 1,000 positions;
// compare the "us_per_position" counters.

#include "BenchData.h"
#include "Catalogue.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "SpecificationFile.h"
#include "TextFolding.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kGoods = 100'000;
constexpr int kPositions = 10'000;
constexpr int kPlainPositions = 1'000;

struct Fixture {
    QTemporaryDir dir;
    Session session;
    QString file;
    QString plainFile;

    Fixture()
    {
        BenchData::makeCatalogue(session, dir.filePath(QStringLiteral("dorvik-Vent.mdb")), kGoods);
        BenchData::makeWorkingDatabase(session, dir.filePath(QStringLiteral("work.mdb")));
        file = dir.filePath(QStringLiteral("big.СО"));
        plainFile = dir.filePath(QStringLiteral("plain.СО"));
        BenchData::fillSpecification(session.working(), kPlainPositions, kGoods);
        SpecificationFile::write(session, plainFile, SpecificationFile::Rows::All,
                                 SpecificationFile::EmptyQuantity::Zero);
        session.working().exec(QStringLiteral("DELETE FROM data"));
        BenchData::fillSpecification(session.working(), kPositions, kGoods);
        SpecificationFile::write(session, file, SpecificationFile::Rows::All,
                                 SpecificationFile::EmptyQuantity::Zero);
    }
};

Fixture &fixture()
{
    static Fixture &instance = BenchData::keptUntilExit(new Fixture);
    return instance;
}

void BM_OpenSpecification(benchmark::State &state)
{
    Fixture &f = fixture();
    // The program keeps its catalogue connected while it runs.
    const std::unique_ptr<CatalogueHold> connected = f.session.goods().hold();
    for (auto _ : state)
        SpecificationCommands::readInto(f.session, f.file);
    state.counters["us_per_position"] = benchmark::Counter(
        double(kPositions) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_OpenSpecification)->Unit(benchmark::kMillisecond);

// The same with the catalogue connected for each opening alone, as
// kvintor-cli has it: every page the look-ups read comes from the system.
void BM_OpenSpecificationCatalogueClosed(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state)
        SpecificationCommands::readInto(f.session, f.file);
}
BENCHMARK(BM_OpenSpecificationCatalogueClosed)->Unit(benchmark::kMillisecond);

// The same work statement by statement, each committing on its own.
void BM_OpenSpecificationPlainWay(benchmark::State &state)
{
    Fixture &f = fixture();
    const SpecificationFile::Contents contents = [&] {
        QFile in(f.plainFile);
        in.open(QIODevice::ReadOnly);
        return SpecificationFile::parse(in.readAll(), f.plainFile);
    }();
    Database &working = f.session.working();
    Database &catalogue = f.session.catalogue();
    for (auto _ : state) {
        working.exec(QStringLiteral("DELETE FROM data"));
        for (const Position &p : contents.positions)
            working.exec(
                QStringLiteral("INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG, "
                               "Comment) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {p.name, p.name, *p.quantity, p.unit, *p.number, *p.groupNumber, p.comment});
        catalogue.open();
        QSqlQuery positions =
            working.exec(QStringLiteral("SELECT RowKey, Name FROM data ORDER BY POZ"));
        while (positions.next()) {
            QSqlQuery good = catalogue.exec(
                QStringLiteral("SELECT Caption, Abb, Cost, M, TYP, COD, Firma, Gruppa "
                               "FROM dorvik_data WHERE NameKey = ? ORDER BY RowKey LIMIT 1"),
                {TextFolding::folded(positions.value(1).toString())});
            if (!good.next())
                continue;
            working.exec(QStringLiteral("UPDATE data SET Caption = ?, Abb = ?, Cost = ?, M = ?, "
                                        "TYP = ?, COD = ?, Firma = ?, Gruppa = ? WHERE RowKey = ?"),
                         {good.value(0), good.value(1), good.value(2), good.value(3), good.value(4),
                          good.value(5), good.value(6), good.value(7), positions.value(0)});
        }
        catalogue.close();
    }
    state.counters["us_per_position"] = benchmark::Counter(
        double(kPlainPositions) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_OpenSpecificationPlainWay)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
