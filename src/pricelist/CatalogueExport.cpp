#include "CatalogueExport.h"

#include "AppError.h"
#include "AtomicFile.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <locale.h>
#include <memory>
#include <xlsxwriter.h>

namespace {

const QStringList kHeaders = {QStringLiteral("Имя блока"),
                              QStringLiteral("Наименование товара"),
                              QStringLiteral("Ед.изм."),
                              QStringLiteral("Цена, у.е."),
                              QStringLiteral("Масса, кг"),
                              QStringLiteral("Тип, марка"),
                              QStringLiteral("Код оборудования"),
                              QStringLiteral("Завод-изготовитель"),
                              QStringLiteral("Группа")};

constexpr int kPriceColumn = 3;

QStringList cells(const CatalogueGood &good)
{
    return {good.name, good.caption, good.unit, good.cost.toString(), good.mass, good.type,
            good.code, good.maker,   good.group};
}

// A price as the catalogue holds it, with a decimal comma and every digit.
QString priceText(const QVariant &cost)
{
    if (cost.isNull() || cost.toString().isEmpty())
        return {};
    bool ok = false;
    const double value = cost.toDouble(&ok);
    return ok ? QLocale::c().toString(value, 'g', 15).replace(u'.', u',') : cost.toString();
}

// A field in double quotes where it holds the separator, a quote or a line
// break.
QString csvField(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

int writeCsv(Catalogue &catalogue, const QString &path)
{
    QByteArray bytes = "\xEF\xBB\xBF";
    const auto line = [&bytes](const QStringList &fields) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted << csvField(field);
        bytes += quoted.join(u';').toUtf8() + "\r\n";
    };
    line(kHeaders);
    int count = 0;
    catalogue.forEachGood([&](const CatalogueGood &good) {
        QStringList fields = cells(good);
        fields[kPriceColumn] = priceText(good.cost);
        line(fields);
        ++count;
    });
    AtomicFile::write(path, bytes, QStringLiteral("Не удалось записать файл"));
    return count;
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

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

[[noreturn]] void failed(lxw_error error, const QString &path)
{
    throw AppError(QStringLiteral("Не удалось записать книгу Excel: %1.")
                       .arg(QString::fromUtf8(lxw_strerror(error))),
                   path);
}

int writeXlsx(Catalogue &catalogue, const QString &path)
{
    // The library writes to a file of its own; the draft then replaces the
    // target at once.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw AppError(QStringLiteral("Не удалось создать временную папку для книги Excel: ") +
                           folder.errorString(),
                       path);
    const QString draft = folder.filePath(QStringLiteral("goods.xlsx"));
    lxw_row_t row = 0;
    {
        const PointDecimals points;
        std::unique_ptr<lxw_workbook, void (*)(lxw_workbook *)> book(
            workbook_new(utf8(draft).constData()), lxw_workbook_free);
        if (!book)
            throw AppError(QStringLiteral("Не удалось создать книгу Excel."), path);
        lxw_worksheet *sheet =
            workbook_add_worksheet(book.get(), utf8(QStringLiteral("Товары")).constData());
        if (!sheet)
            failed(LXW_ERROR_MEMORY_MALLOC_FAILED, path);
        lxw_format *bold = workbook_add_format(book.get());
        format_set_bold(bold);
        const double widths[] = {20, 60, 8, 12, 10, 16, 18, 24, 24};
        for (lxw_col_t column = 0; column < kHeaders.size(); ++column) {
            worksheet_set_column(sheet, column, column, widths[column], nullptr);
            worksheet_write_string(sheet, 0, column, utf8(kHeaders[column]).constData(), bold);
        }
        worksheet_freeze_panes(sheet, 1, 0);
        lxw_error error = LXW_NO_ERROR;
        catalogue.forEachGood([&](const CatalogueGood &good) {
            ++row;
            const QStringList texts = cells(good);
            for (lxw_col_t column = 0; column < texts.size() && error == LXW_NO_ERROR; ++column) {
                bool number = false;
                const double value = column == kPriceColumn ? good.cost.toDouble(&number) : 0;
                if (number)
                    error = worksheet_write_number(sheet, row, column, value, nullptr);
                else if (!texts[column].isEmpty())
                    error = worksheet_write_string(sheet, row, column,
                                                   utf8(texts[column]).constData(), nullptr);
            }
        });
        if (error != LXW_NO_ERROR)
            failed(error, path);
        // workbook_close() frees the workbook whatever it says.
        const lxw_error closed = workbook_close(book.release());
        if (closed != LXW_NO_ERROR)
            failed(closed, path);
    }
    QFile file(draft);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Не удалось прочитать записанную книгу Excel."), draft);
    AtomicFile::write(path, file.readAll(), QStringLiteral("Не удалось записать книгу Excel"));
    return int(row);
}

} // namespace

namespace CatalogueExport {

int write(Catalogue &catalogue, const QString &path)
{
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ? writeXlsx(catalogue, path)
                                                                       : writeCsv(catalogue, path);
}

} // namespace CatalogueExport
