// The component picker's search on the office's server: a catalogue of
// 1,000,000 goods on a PostgreSQL server on this machine (one of the
// benchmark's own, as the tests start theirs), searched as the window
// searches on a keystroke. Target: the worst case, a text that no good
// holds, within 100 ms.

#include "BenchData.h"
#include "Catalogue.h"
#include "CatalogueAddress.h"
#include "CatalogueCopy.h"
#include "ComponentPicker.h"
#include "GoodsModel.h"
#include "PickerFilter.h"
#include "PickerSearch.h"
#include "PostgresServer.h"
#include "Session.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

struct Fixture {
    QTemporaryDir dir;
    PostgresServer server;
    Session session;
    std::unique_ptr<CatalogueHold> held;
    std::unique_ptr<GoodsModel> list;

    explicit Fixture(int goods)
    {
        if (!server.isRunning()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.failure()));
            std::abort();
        }
        // Made as a file and copied onto the server, as an office moves its
        // catalogue there.
        const QString path = dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        BenchData::makeCatalogue(session, path, goods);
        const QString address = server.createDatabase(QStringLiteral("office"));
        {
            const auto file = CatalogueAddress::open(path);
            const auto office = CatalogueAddress::open(address);
            CatalogueCopy::copy(*file, *office);
        }
        server.psql(QStringLiteral("office"), QStringLiteral("VACUUM ANALYZE"));
        session.closeConnections();
        session.setCatalogueAddress(address);
        held = session.goods().hold();
        list.reset(ComponentPicker::makeList(session.goods(), nullptr));
    }
};

Fixture &catalogue(int goods)
{
    static Fixture *made = nullptr;
    if (!made)
        made = &BenchData::keptUntilExit(new Fixture(goods));
    return *made;
}

void search(benchmark::State &state, const PickerCriteria &criteria)
{
    searchRepeatedly(state, *catalogue(int(state.range(0))).list, criteria);
}

void BM_ServerPickerCommonWord(benchmark::State &state)
{
    search(state, {QStringLiteral("вентиляторы"), {}, {}, {}});
}
BENCHMARK(BM_ServerPickerCommonWord)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ServerPickerNoMatch(benchmark::State &state)
{
    search(state, {QStringLiteral("дымосос"), {}, {}, {}});
}
BENCHMARK(BM_ServerPickerNoMatch)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Two letters that no description holds make no trigram: the index cannot
// help, and every good's key is read.
void BM_ServerPickerShortNoMatch(benchmark::State &state)
{
    search(state, {QStringLiteral("щщ"), {}, {}, {}});
}
BENCHMARK(BM_ServerPickerShortNoMatch)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ServerPickerByMaker(benchmark::State &state)
{
    search(state, {{}, {}, {}, QStringLiteral("нет такого завода")});
}
BENCHMARK(BM_ServerPickerByMaker)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ServerPickerByType(benchmark::State &state)
{
    search(state, {{}, {}, QStringLiteral("ЖЖ-999"), {}});
}
BENCHMARK(BM_ServerPickerByType)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace
