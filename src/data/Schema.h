#pragma once

#include <QStringList>

class Database;

// The tables of the two databases. The same code makes the bundled template
// and catalogue at build time and the databases of the tests, so the column
// places that later commands rely on hold everywhere.
namespace Schema {

// Table `data` of the working database, in physical order. Place 5 is a
// spare column that nothing reads or writes; the row key follows the
// fourteen columns and is never shown.
inline const QStringList kDataColumns = {
    QStringLiteral("Name"),  QStringLiteral("Caption"), QStringLiteral("KOL"),
    QStringLiteral("Abb"),   QStringLiteral("Cost"),    QStringLiteral("Reserve"),
    QStringLiteral("M"),     QStringLiteral("TYP"),     QStringLiteral("COD"),
    QStringLiteral("Firma"), QStringLiteral("Gruppa"),  QStringLiteral("Comment"),
    QStringLiteral("POZ"),   QStringLiteral("NG")};

// Table `dorvik_data` of the catalogue, its nine columns in physical order.
inline const QStringList kGoodsColumns = {
    QStringLiteral("Name"), QStringLiteral("Caption"), QStringLiteral("Abb"),
    QStringLiteral("Cost"), QStringLiteral("M"),       QStringLiteral("TYP"),
    QStringLiteral("COD"),  QStringLiteral("Firma"),   QStringLiteral("Gruppa")};

inline constexpr char kRowKey[] = "RowKey";
// Helper columns of `dorvik_data` after the row key: fold() of the block
// name, the group and the description (TextFolding), an empty text for a
// NULL, so that look-ups and searches that ignore letter case go through
// plain indexes. NULL marks a key that a row inserted or changed by another
// tool still lacks.
inline constexpr char kNameKey[] = "NameKey";
inline constexpr char kGroupKey[] = "GruppaKey";
inline constexpr char kCaptionKey[] = "CaptionKey";
inline constexpr int kGroupNameLength = 50;

// Creates table `data` (the template and every working database).
void createWorkingTables(const Database &db);
// Creates tables `dorvik_data` and `dorvik_gruppa`, with the key columns,
// their indexes and triggers, and prepares the connection as prepare() does.
void createCatalogueTables(const Database &db);

// Readies a database that a program connection has just opened: brings a
// catalogue or working database of an earlier version up to this schema,
// makes this connection keep the keys of the goods it writes, and fills the
// keys that other tools left empty. Throws AppError when it cannot write.
void prepare(const Database &db);

} // namespace Schema
