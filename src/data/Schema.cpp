#include "Schema.h"

#include "Database.h"

namespace Schema {

// Every text column compares with NOCASE, which the program's connections
// replace by full Unicode case folding (TextFolding): "=" and ORDER BY ignore
// letter case for Cyrillic as for Latin in every statement.
void createWorkingTables(const Database &db)
{
    db.exec(QStringLiteral("CREATE TABLE data ("
                           "Name TEXT COLLATE NOCASE, "
                           "Caption TEXT COLLATE NOCASE, "
                           "KOL REAL, "
                           "Abb TEXT COLLATE NOCASE, "
                           "Cost REAL, "
                           "Reserve TEXT COLLATE NOCASE, "
                           "M TEXT COLLATE NOCASE, "
                           "TYP TEXT COLLATE NOCASE, "
                           "COD TEXT COLLATE NOCASE, "
                           "Firma TEXT COLLATE NOCASE, "
                           "Gruppa VARCHAR(50) COLLATE NOCASE, "
                           "Comment TEXT COLLATE NOCASE, "
                           "POZ INTEGER, "
                           "NG INTEGER, "
                           "RowKey INTEGER PRIMARY KEY AUTOINCREMENT)"));
    db.exec(QStringLiteral("CREATE INDEX data_Name ON data (Name)"));
}

void createCatalogueTables(const Database &db)
{
    db.exec(QStringLiteral("CREATE TABLE dorvik_data ("
                           "Name TEXT COLLATE NOCASE, "
                           "Caption TEXT COLLATE NOCASE, "
                           "Abb TEXT COLLATE NOCASE, "
                           "Cost REAL, "
                           "M TEXT COLLATE NOCASE, "
                           "TYP TEXT COLLATE NOCASE, "
                           "COD TEXT COLLATE NOCASE, "
                           "Firma TEXT COLLATE NOCASE, "
                           "Gruppa TEXT COLLATE NOCASE, "
                           "RowKey INTEGER PRIMARY KEY AUTOINCREMENT)"));
    db.exec(QStringLiteral("CREATE INDEX dorvik_data_Name ON dorvik_data (Name)"));
    db.exec(QStringLiteral("CREATE INDEX dorvik_data_Gruppa ON dorvik_data (Gruppa)"));
    db.exec(QStringLiteral("CREATE TABLE dorvik_gruppa ("
                           "name_gruppa TEXT COLLATE NOCASE, "
                           "Numb INTEGER)"));
}

} // namespace Schema
