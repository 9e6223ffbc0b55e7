#include "Workbook.h"

#include "AppError.h"
#include "AtomicFile.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <clocale>
#include <locale.h>
#include <xlsxwriter.h>

namespace Workbook {
namespace {

// The column titles of the sheet and the widths of its columns in
// millimetres, which the workbook keeps in proportion.
struct Column {
    const char *title;
    double millimetres;
};
const Column kColumns[9] = {
    {"Позиция", 20.4},
    {"Наименование и техническая характеристика", 128.1},
    {"Тип, марка, обозначение документа, опросного листа", 57.6},
    {"Код оборудования, изделия, материала", 37.3},
    {"Завод-изготовитель", 42.3},
    {"Ед.Изм.", 21.7},
    {"Количество", 21.2},
    {"Масса единицы, кг", 27.0},
    {"Примечания", 42.4},
};
// A column one character of the default font wide is about this wide.
constexpr double kMillimetresPerCharacter = 1.85;
constexpr lxw_row_t kTitleRow = 3;   // rows 4 and 5
constexpr lxw_row_t kNumbersRow = 5; // row 6
constexpr uint8_t kPaperA3 = 8;

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
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

// The library prints numbers into the file with the C library, whose
// decimal separator follows the locale: under Russian settings "2,5" would
// make a broken file. While it writes, this thread prints with points.
class PointDecimals {
public:
    PointDecimals() : m_c(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~PointDecimals()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    PointDecimals(const PointDecimals &) = delete;
    PointDecimals &operator=(const PointDecimals &) = delete;

private:
    locale_t m_c;
    locale_t m_previous = nullptr;
};

} // namespace

std::optional<double> number(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^-?(0|[1-9][0-9]*)([.,][0-9]+)?$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    // The regional decimal separator; a comma is always one in Russian.
    if (text.contains(u'.') && QLocale().decimalPoint() != QStringLiteral("."))
        return std::nullopt;
    QString plain = text;
    plain.replace(u',', u'.');
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

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

        lxw_format *title = workbook_add_format(book);
        format_set_bold(title);
        format_set_text_wrap(title);
        format_set_align(title, LXW_ALIGN_CENTER);
        format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
        format_set_border(title, LXW_BORDER_THIN);
        lxw_format *heading = workbook_add_format(book);
        format_set_bold(heading);
        format_set_underline(heading, LXW_UNDERLINE_SINGLE);
        lxw_format *day = workbook_add_format(book);
        format_set_num_format(day, "dd.mm.yyyy");

        for (lxw_col_t column = 0; column < 9; ++column)
            writer.check(worksheet_set_column(
                sheet, column, column, kColumns[column].millimetres / kMillimetresPerCharacter,
                nullptr));
        worksheet_set_paper(sheet, kPaperA3);
        worksheet_set_landscape(sheet);
        worksheet_fit_to_pages(sheet, 1, 0);
        writer.check(worksheet_repeat_rows(sheet, kTitleRow, kNumbersRow));

        const HeaderFields &h = contents.header;
        // A position's cell: a number cell when its text reads as one.
        const auto cell = [&](lxw_row_t row, lxw_col_t column, const QString &value) {
            if (value.isEmpty())
                return;
            if (const std::optional<double> read = number(value))
                writer.check(worksheet_write_number(sheet, row, column, *read, nullptr));
            else
                writer.check(
                    worksheet_write_string(sheet, row, column, utf8(value).constData(), nullptr));
        };
        // Title lines stay texts whatever they hold.
        const auto line = [&](lxw_row_t row, const QString &value) {
            writer.check(worksheet_write_string(sheet, row, 0, utf8(value).constData(), nullptr));
        };
        line(0, QStringLiteral("Спецификация оборудования и материалов. ") +
                    h[HeaderFields::DocumentCode] + u' ' + h[HeaderFields::Section]);
        line(1, QStringLiteral("Объект: ") + h[HeaderFields::Object] + u' ' +
                    h[HeaderFields::ObjectMore]);
        line(2, QStringLiteral("Адрес: ") + h[HeaderFields::Address] + u' ' +
                    h[HeaderFields::AddressMore]);
        lxw_datetime today{date.year(), date.month(), date.day(), 0, 0, 0};
        writer.check(worksheet_write_datetime(sheet, 2, 8, &today, day));

        for (lxw_col_t column = 0; column < 9; ++column) {
            writer.check(worksheet_merge_range(sheet, kTitleRow, column, kTitleRow + 1, column,
                                               kColumns[column].title, title));
            writer.check(worksheet_write_number(sheet, kNumbersRow, column, column + 1, title));
        }

        int total = 0;
        for (const SheetContents::Group &group : contents.groups)
            total += int(group.rows.size());
        int done = 0;
        lxw_row_t row = kFirstHeadingRow - 3; // the counter starts two rows above
        for (const SheetContents::Group &group : contents.groups) {
            row += 2;
            writer.check(
                worksheet_write_string(sheet, row, 1, utf8(group.name).constData(), heading));
            for (const SheetContents::Row &position : group.rows) {
                ++row;
                const QString *cells[9] = {
                    &position.number,   &position.caption, &position.type,
                    &position.code,     &position.maker,   &position.unit,
                    &position.quantity, &position.mass,    &position.comment};
                for (lxw_col_t column = 0; column < 9; ++column)
                    cell(row, column, *cells[column]);
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

} // namespace Workbook
