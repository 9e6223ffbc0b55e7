// Reading a 10,000-position ".СО" file into table `data` and writing `data`
// back to a file. Target: at most 100 ms for each.

#include "BenchData.h"
#include "Database.h"
#include "Session.h"
#include "SpecificationFile.h"

#include <QLocale>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPositions = 10'000;
constexpr int kCatalogueGoods = 100'000;

struct Specification {
    QTemporaryDir dir;
    Session session;
    QString file;

    Specification()
    {
        BenchData::makeWorkingDatabase(session,
                                       dir.filePath(QStringLiteral("20261209143005047.mdb")));
        BenchData::fillSpecification(session.working(), kPositions, kCatalogueGoods);
        file = dir.filePath(QStringLiteral("Большой.СО"));
        SpecificationFile::write(session, file, SpecificationFile::Rows::All,
                                 SpecificationFile::EmptyQuantity::Zero);
    }
};

Specification &specification()
{
    static Specification instance;
    return instance;
}

void BM_ReadSpecificationFile(benchmark::State &state)
{
    Specification &data = specification();
    for (auto _ : state) {
        const int positions = SpecificationFile::read(data.session, data.file);
        if (positions != kPositions)
            state.SkipWithError("the file did not give every position");
    }
    state.counters["positions"] = kPositions;
}
BENCHMARK(BM_ReadSpecificationFile)->Unit(benchmark::kMillisecond);

void BM_WriteSpecificationFile(benchmark::State &state)
{
    Specification &data = specification();
    const QString target = data.dir.filePath(QStringLiteral("Запись.СО"));
    for (auto _ : state)
        SpecificationFile::write(data.session, target, SpecificationFile::Rows::All,
                                 SpecificationFile::EmptyQuantity::Zero);
    state.counters["positions"] = kPositions;
}
BENCHMARK(BM_WriteSpecificationFile)->Unit(benchmark::kMillisecond);

} // namespace
