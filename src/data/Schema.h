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
// Helper columns of `dorvik_data` after the row key, which the program
// computes when it writes a good (TextFolding): the folded block name and
// group, and the search keys of the description, the type and the maker;
// an empty text for a NULL column. Look-ups and searches that ignore letter
// case go through them with plain SQL. NULL marks a key that a row written
// by another tool still lacks; the program fills it when it next connects.
inline constexpr char kNameKey[] = "NameKey";
inline constexpr char kGroupKey[] = "GruppaKey";
inline constexpr char kCaptionKey[] = "CaptionKey";
inline constexpr char kTypeKey[] = "TypKey";
inline constexpr char kMakerKey[] = "FirmaKey";
inline constexpr int kGroupNameLength = 50;

// Creates table `data` (the template and every working database).
void createWorkingTables(const Database &db);
// Creates tables `dorvik_data` and `dorvik_gruppa`, with the key columns,
// their indexes and triggers, and prepares the connection as prepare() does.
void createCatalogueTables(const Database &db);

// Readies a database that a program connection has just opened: brings a
// catalogue or working database of an earlier version up to this schema
// and fills the keys that other tools left empty. Throws AppError when it
// cannot write.
void prepare(const Database &db);

// The keys of a good's columns, as the program writes them.
struct GoodKeys {
    QString name;
    QString group;
    QString caption;
    QString type;
    QString maker;
};
GoodKeys keysOf(const QString &name, const QString &group, const QString &caption,
                const QString &type, const QString &maker);

// Fills the keys that are NULL, in batches, within the caller's transaction
// or one of its own. Returns the number of goods whose keys it wrote.
int fillKeys(const Database &db);

} // namespace Schema
