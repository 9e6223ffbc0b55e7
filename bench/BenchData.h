#pragma once

#include <QString>
#include <functional>

class Database;
class Session;

// Large, realistic data for benchmarks: Cyrillic block names and captions
// spread over the groups of a heating and ventilation catalogue.
namespace BenchData {

// The block name of good number index: "ВК-Ж-000042" and the like.
QString goodName(int index);

// Fills an empty catalogue (tables made by Schema) with goods and the groups.
void fillCatalogue(const Database &catalogue, int goods);

// Gives session a new catalogue database at path holding goods goods, their
// keys filled.
void makeCatalogue(Session &session, const QString &path, int goods);

// Gives session a new, empty working database at path.
void makeWorkingDatabase(Session &session, const QString &path);

// Fills an empty table `data` with positions that name goods of a catalogue
// of catalogueGoods goods; every twentieth name is not in the catalogue.
void fillSpecification(const Database &working, int positions, int catalogueGoods);

// Runs deleter while the application object still stands, the last one
// given first: a session's SQL connections must not outlive Qt's, as a
// static fixture deleted after main() would make them.
void deleteBeforeExit(std::function<void()> deleter);

// A fixture made once and kept for the rest of the run.
template <typename T> T &keptUntilExit(T *made)
{
    deleteBeforeExit([made] { delete made; });
    return *made;
}

} // namespace BenchData
