#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One row of a price list as its file holds it: the texts of its cells from
// the first column on, and where the user finds it, the line of a CSV file
// the row starts on or the number of a sheet's row.
struct PriceRow {
    int line = 0;
    QStringList cells;
};

// A price list read whole, with what the reader found out about the file
// ("CSV, кодировка UTF-8, разделитель «;»"), for the report.
struct PriceTable {
    QList<PriceRow> rows;
    QString format;
};
