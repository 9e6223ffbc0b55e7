#pragma once

#include "PriceTable.h"

#include <QString>
#include <QStringList>
#include <array>

// Which column of a price list gives each field of a good, and how the
// program guesses it from the column headers.
namespace PriceColumns {

// The fields of a good a column can give, in the order of the catalogue's
// columns.
enum Field { Name, Caption, Unit, Price, Mass, Type, Code, Maker, Group, kFieldCount };

// The field as the dialog and the report name it ("имя блока").
QString title(Field field);
// The key of the field in a mapping given as text ("name").
QString key(Field field);

// For each field the column (from 0) that gives it, or -1 for none. One
// column may give several fields (a code both the block name and the
// equipment code).
struct Mapping {
    std::array<int, kFieldCount> columns;
    Mapping() { columns.fill(-1); }
    int &operator[](Field field) { return columns[field]; }
    int operator[](Field field) const { return columns[field]; }
    bool operator==(const Mapping &other) const = default;
};

// The row of the headers: the first of the first rows in which two cells or
// more are headers the program knows, else the first row that is not
// empty; -1 for a table of empty rows. Title lines above it are passed over.
int headerRow(const PriceTable &table);

// The mapping guessed from the headers:
// - the block name from "Имя блока" ("Name", "Имя"), else the article
//   ("Артикул"), else the code ("Код"), else the title ("Наименование"):
//   the name by which specifications and drawings refer to a good must be
//   short and stable, which an article is and a long title seldom is;
// - the description from the title ("Наименование", "Caption",
//   "Название"), unless it became the block name, else "Описание";
// - the code from "Код" (also when it is the block name);
// - the rest from headers starting with their words ("Цена, руб." is the
//   price, "Ед. изм." the unit, "Масса, кг" the mass, "Тип, марка" the
//   type, "Производитель" or "Завод-изготовитель" the maker, "Группа" the
//   group) and from the old catalogue's column names (Abb, Cost, M, TYP,
//   COD, Firma, Gruppa). Of two candidates the first column wins.
Mapping guess(const QStringList &headers);

// Applies a mapping given as text to mapping: "name=Артикул,price=3"; each
// field by its key or Russian word, each column by its number from 1 or by
// its header (in double quotes where it holds a comma, "" for a quote
// inside), an empty column for none. Throws AppError saying what is wrong.
void apply(const QString &text, const QStringList &headers, Mapping &mapping);

// The mapping as a list of "key=header" texts for the settings, and back;
// fields whose header is no longer there stay as guessed.
QStringList remembered(const Mapping &mapping, const QStringList &headers);
void recall(const QStringList &entries, const QStringList &headers, Mapping &mapping);

// The name under which a file's mapping is remembered: its file name with
// every run of digits as "#", so that next month's list of a supplier
// ("Прайс 2024-06.xlsx") finds the mapping of this month's.
QString filePattern(const QString &path);

// "имя блока — «Артикул» (1), цена — «Цена, руб.» (4)"
QString describe(const Mapping &mapping, const QStringList &headers);

} // namespace PriceColumns
