#include "Workbook.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "CellLines.h"
#include "Numbers.h"
#include "PointDecimals.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <locale.h>
#include <optional>
#include <xlsxwriter.h>

namespace Workbook {
namespace {

enum class Kind { Number, Text };

// The columns of the sheet: title, width in millimetres (the workbook keeps
// the sheet's proportions), what the column holds and how it aligns.
struct Column {
    const char *title;
    double millimetres;
    Kind kind;
    uint8_t alignment;
};
constexpr int kColumnCount = 9;
const Column kColumns[kColumnCount] = {
    {"Позиция", 20.4, Kind::Number, LXW_ALIGN_CENTER},
    {"Наименование и техническая характеристика", 128.1, Kind::Text, LXW_ALIGN_LEFT},
    {"Тип, марка, обозначение документа, опросного листа", 57.6, Kind::Text, LXW_ALIGN_CENTER},
    {"Код оборудования, изделия, материала", 37.3, Kind::Text, LXW_ALIGN_CENTER},
    {"Завод-изготовитель", 42.3, Kind::Text, LXW_ALIGN_CENTER},
    {"Ед.Изм.", 21.7, Kind::Text, LXW_ALIGN_CENTER},
    {"Количество", 21.2, Kind::Number, LXW_ALIGN_CENTER},
    {"Масса единицы, кг", 27.0, Kind::Number, LXW_ALIGN_CENTER},
    {"Примечания", 42.4, Kind::Text, LXW_ALIGN_CENTER},
};

constexpr lxw_row_t kTitleRow = 3;   // rows 4 and 5
constexpr lxw_row_t kNumbersRow = 5; // row 6
constexpr uint8_t kPaperA3 = 8;
constexpr double kInch = 25.4;

// The cells' font, which is also the workbook's standard font.
const char *const kFontName = "Arial";
constexpr double kFontPoints = 10;

// Column widths go into the file in pixels of a 96 dpi screen, the unit
// Excel counts them in.
constexpr double kPixelsPerMm = 96 / kInch;
constexpr double kPointsPerMm = 72 / kInch;
// Row heights must hold the text in whichever program shows the workbook:
// Excel and LibreOffice take a few pixels of the cell for its margins and
// render with hinted fonts a little wider than the outlines measured here,
// and Excel spaces wrapped lines wider than the font's own line spacing.
constexpr double kCellMarginsPx = 7;
constexpr double kWidthReserve = 0.95;
constexpr double kLineReserve = 1.15;
constexpr double kRowPaddingPoints = 2;
// The tallest row a spreadsheet allows.
constexpr double kMaxRowPoints = 409;

// The room for text in a cell as wide as the given columns.
double textWidthMm(double columnsMm)
{
    const double pixels = std::round(columnsMm * kPixelsPerMm);
    return (pixels - kCellMarginsPx) / kPixelsPerMm * kWidthReserve;
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// A number cell's value and the decimals its text has ("2,50" has one).
struct NumberCell {
    double value;
    int decimals;
};

// Decimal places a number format can show.
constexpr int kMaxDecimals = 30;
// Digits a spreadsheet number keeps.
constexpr int kMaxSignificantDigits = 15;

// The number a text of a number column stands for: a whole or decimal
// number with a point or a comma ("12", "-3", "2,5", "7.78"). Anything else
// ("~5", "1 200", "") stays a text, and so does a number with more digits
// than a number cell keeps, which would lose some.
std::optional<NumberCell> numberCell(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[+-]?([0-9]+)(?:[.,]([0-9]+))?$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = form.match(trimmed);
    if (!match.hasMatch())
        return std::nullopt;
    QString fraction = match.captured(2);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString digits = match.captured(1) + fraction;
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > kMaxSignificantDigits || fraction.size() > kMaxDecimals)
        return std::nullopt;
    const std::optional<double> value = Numbers::parse(trimmed);
    if (!value)
        return std::nullopt;
    return NumberCell{*value, int(fraction.size())};
}

// The writer of one workbook: every call is checked, the first failure
// throws with the library's reason.
class Writer {
public:
    explicit Writer(const QString &path) : m_path(path)
    {
        m_book = workbook_new(utf8(path).constData());
        if (!m_book)
            throw AppError(QStringLiteral("Не удалось создать книгу Excel."), path);
        m_sheet = workbook_add_worksheet(m_book, nullptr);
        if (!m_sheet)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    ~Writer()
    {
        if (m_book)
            lxw_workbook_free(m_book);
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    lxw_workbook *book() { return m_book; }
    lxw_worksheet *sheet() { return m_sheet; }

    void check(lxw_error error)
    {
        if (error != LXW_NO_ERROR)
            fail(error);
    }

    void close()
    {
        const lxw_error error = workbook_close(m_book);
        m_book = nullptr;
        check(error);
    }

private:
    [[noreturn]] void fail(lxw_error error)
    {
        throw AppError(QStringLiteral("Не удалось записать книгу Excel: %1.")
                           .arg(QString::fromUtf8(lxw_strerror(error))),
                       m_path);
    }

    QString m_path;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
};

// Spreadsheet programs count column widths in digits of the workbook's
// standard font. The library's is Calibri, which LibreOffice on Linux
// replaces by a wider font and so widens every column; the standard font
// becomes the cells' own, Arial, whose digits are as wide as Calibri's in
// Excel and whose metric twin Liberation Sans is everywhere. The library
// keeps its standard format first among the workbook's formats and offers
// no call to reach it.
void useStandardFont(lxw_workbook *book)
{
    lxw_format *standard = STAILQ_FIRST(book->formats);
    format_set_font_name(standard, kFontName);
    format_set_font_size(standard, kFontPoints);
    format_set_font_scheme(standard, "");
}

// The formats of the workbook, made once.
class Formats {
public:
    explicit Formats(lxw_workbook *book) : m_book(book)
    {
        titleLine = make();
        format_set_text_wrap(titleLine);
        format_set_align(titleLine, LXW_ALIGN_VERTICAL_TOP);
        date = make();
        format_set_num_format(date, "dd.mm.yyyy");
        format_set_align(date, LXW_ALIGN_VERTICAL_TOP);
        columnTitle = ruled();
        format_set_bold(columnTitle);
        format_set_text_wrap(columnTitle);
        format_set_align(columnTitle, LXW_ALIGN_CENTER);
        format_set_align(columnTitle, LXW_ALIGN_VERTICAL_CENTER);
        heading = ruled();
        format_set_bold(heading);
        format_set_underline(heading, LXW_UNDERLINE_SINGLE);
        format_set_text_wrap(heading);
        format_set_align(heading, LXW_ALIGN_LEFT);
        format_set_align(heading, LXW_ALIGN_VERTICAL_TOP);
        empty = ruled();
        for (int column = 0; column < kColumnCount; ++column) {
            text[column] = ruled();
            format_set_text_wrap(text[column]);
            format_set_align(text[column], kColumns[column].alignment);
            format_set_align(text[column], LXW_ALIGN_VERTICAL_TOP);
        }
    }

    // A number cell with this many decimals; too long a number shrinks
    // rather than turning into "###".
    lxw_format *number(int decimals)
    {
        lxw_format *&format = m_numbers[decimals];
        if (!format) {
            format = ruled();
            format_set_align(format, LXW_ALIGN_CENTER);
            format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
            format_set_shrink(format);
            const QByteArray code =
                decimals == 0 ? QByteArray("0") : QByteArray("0.") + QByteArray(decimals, '0');
            format_set_num_format(format, code.constData());
        }
        return format;
    }

    lxw_format *titleLine, *date, *columnTitle, *heading, *empty;
    lxw_format *text[kColumnCount];

private:
    lxw_format *make()
    {
        lxw_format *format = workbook_add_format(m_book);
        format_set_font_name(format, kFontName);
        format_set_font_size(format, kFontPoints);
        return format;
    }
    lxw_format *ruled()
    {
        lxw_format *format = make();
        format_set_border(format, LXW_BORDER_THIN);
        return format;
    }

    lxw_workbook *m_book;
    QHash<int, lxw_format *> m_numbers;
};

// Row heights in points from the lines of their texts.
class RowHeights {
public:
    RowHeights()
        : m_plain(TextStyle{kFontPoints}), m_bold(TextStyle{kFontPoints, true}),
          m_line(m_plain.lineHeightMm() * kPointsPerMm * kLineReserve)
    {
        for (int column = 0; column < kColumnCount; ++column)
            m_widths[column] = textWidthMm(kColumns[column].millimetres);
    }

    double lines(int count) const
    {
        return std::min(count * m_line + kRowPaddingPoints, kMaxRowPoints);
    }
    int plain(const QString &text, int column) { return m_plain.count(text, m_widths[column]); }
    int bold(const QString &text, int column) { return m_bold.count(text, m_widths[column]); }
    // Lines of a plain text across the columns first to last.
    int across(const QString &text, int first, int last)
    {
        double millimetres = 0;
        for (int column = first; column <= last; ++column)
            millimetres += kColumns[column].millimetres;
        return m_plain.count(text, textWidthMm(millimetres));
    }

private:
    CellLines m_plain, m_bold;
    double m_line;
    double m_widths[kColumnCount];
};

} // namespace

void write(const SheetContents &contents, const QDate &date, const QString &path,
           const std::function<void(int done, int total)> &progress)
{
    // The library writes the file itself; it writes into a folder of its
    // own, and the finished file takes the target's place at once.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw AppError(QStringLiteral("Не удалось создать временную папку для книги Excel: ") +
                           folder.errorString(),
                       path);
    const QString draft = folder.filePath(QStringLiteral("book.xlsx"));
    {
        const PointDecimals points;
        Writer writer(draft);
        lxw_workbook *book = writer.book();
        lxw_worksheet *sheet = writer.sheet();
        useStandardFont(book);
        Formats formats(book);
        RowHeights heights;
        const auto height = [&](lxw_row_t row, double points) {
            writer.check(worksheet_set_row(sheet, row, points, nullptr));
        };

        for (lxw_col_t column = 0; column < kColumnCount; ++column)
            writer.check(worksheet_set_column_pixels(
                sheet, column, column, std::lround(kColumns[column].millimetres * kPixelsPerMm),
                nullptr));
        worksheet_set_paper(sheet, kPaperA3);
        worksheet_set_landscape(sheet);
        worksheet_set_margins(sheet, 15 / kInch, 10 / kInch, 10 / kInch, 10 / kInch);
        worksheet_fit_to_pages(sheet, 1, 0);
        writer.check(worksheet_repeat_rows(sheet, kTitleRow, kNumbersRow));
        worksheet_freeze_panes(sheet, kNumbersRow + 1, 0);

        // The title lines span the table, the third leaving column I to
        // the date.
        const HeaderFields &h = contents.header;
        const auto line = [&](lxw_row_t row, lxw_col_t last, const QString &value) {
            writer.check(worksheet_merge_range(sheet, row, 0, row, last, utf8(value).constData(),
                                               formats.titleLine));
            height(row, heights.lines(heights.across(value, 0, last)));
        };
        line(0, 8,
             QStringLiteral("Спецификация оборудования и материалов. ") +
                 h[HeaderFields::DocumentCode] + u' ' + h[HeaderFields::Section]);
        line(1, 8,
             QStringLiteral("Объект: ") + h[HeaderFields::Object] + u' ' +
                 h[HeaderFields::ObjectMore]);
        line(2, 7,
             QStringLiteral("Адрес: ") + h[HeaderFields::Address] + u' ' +
                 h[HeaderFields::AddressMore]);
        lxw_datetime today{date.year(), date.month(), date.day(), 0, 0, 0};
        writer.check(worksheet_write_datetime(sheet, 2, 8, &today, formats.date));

        int titleLines = 1;
        for (lxw_col_t column = 0; column < kColumnCount; ++column) {
            const QString title = QString::fromUtf8(kColumns[column].title);
            writer.check(worksheet_merge_range(sheet, kTitleRow, column, kTitleRow + 1, column,
                                               kColumns[column].title, formats.columnTitle));
            writer.check(worksheet_write_number(sheet, kNumbersRow, column, column + 1,
                                                formats.columnTitle));
            titleLines = std::max(titleLines, heights.bold(title, column));
        }
        height(kTitleRow, heights.lines(titleLines) / 2);
        height(kTitleRow + 1, heights.lines(titleLines) / 2);
        height(kNumbersRow, heights.lines(1));

        const auto emptyRow = [&](lxw_row_t row) {
            for (lxw_col_t column = 0; column < kColumnCount; ++column)
                writer.check(worksheet_write_blank(sheet, row, column, formats.empty));
            height(row, heights.lines(1));
        };
        // Every cell of a position row is ruled, an empty one too. A number
        // column's text that is no number ("~5") stays as typed.
        const auto cell = [&](lxw_row_t row, lxw_col_t column, const QString &value) -> int {
            if (value.isEmpty()) {
                writer.check(worksheet_write_blank(sheet, row, column, formats.text[column]));
                return 1;
            }
            if (kColumns[column].kind == Kind::Number) {
                if (const std::optional<NumberCell> read = numberCell(value)) {
                    writer.check(worksheet_write_number(sheet, row, column, read->value,
                                                        formats.number(read->decimals)));
                    return 1;
                }
            }
            writer.check(worksheet_write_string(sheet, row, column, utf8(value).constData(),
                                                formats.text[column]));
            return heights.plain(value, column);
        };

        int total = 0;
        for (const SheetContents::Group &group : contents.groups)
            total += int(group.rows.size());
        int done = 0;
        lxw_row_t row = kFirstHeadingRow - 3; // the counter starts two rows above
        for (const SheetContents::Group &group : contents.groups) {
            row += 2;
            if (row - 1 > kNumbersRow)
                emptyRow(row - 1);
            for (lxw_col_t column = 0; column < kColumnCount; ++column)
                if (column != 1)
                    writer.check(worksheet_write_blank(sheet, row, column, formats.empty));
            writer.check(worksheet_write_string(sheet, row, 1, utf8(group.name).constData(),
                                                formats.heading));
            height(row, heights.lines(heights.bold(group.name, 1)));
            for (const SheetContents::Row &position : group.rows) {
                ++row;
                const QString *cells[kColumnCount] = {
                    &position.number,   &position.caption, &position.type,
                    &position.code,     &position.maker,   &position.unit,
                    &position.quantity, &position.mass,    &position.comment};
                int lines = 1;
                for (lxw_col_t column = 0; column < kColumnCount; ++column)
                    lines = std::max(lines, cell(row, column, *cells[column]));
                height(row, heights.lines(lines));
                if (progress)
                    progress(++done, total);
            }
        }
        writer.close();
    }

    QFile file(draft);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать записанную книгу Excel."), draft);
    AtomicFile::write(path, file.readAll(), QStringLiteral("Не удалось записать книгу Excel"));
}

QString libraryVersion()
{
    return QString::fromLatin1(lxw_version());
}

} // namespace Workbook
