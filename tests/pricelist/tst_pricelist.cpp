#include "AppError.h"
#include "CodePage1251.h"
#include "PriceColumns.h"
#include "PriceListImport.h"
#include "Session.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <string>
#include <xlsxwriter.h>

// Suppliers' price lists as they come (code pages, delimiters, quotes,
// workbooks) imported into a catalogue through the commands the dialog and
// kvintor-cli run: what the report says and what the catalogue then holds.
class PriceListTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_counter = 0;

    // The goods of every catalogue before the import, as a row of the
    // expected catalogue reads them.
    static inline const QString kDuct = QStringLiteral("ВК-160|Воздуховод 160|мп|2.5|1,2|Т-1|К-1|"
                                                       "Завод|Воздуховоды");
    static inline const QString kFan =
        QStringLiteral("Вр-4|Вентилятор|Шт|100|10|ВР|К-2|Завод|Вентиляторы");

    // A workbook of sheets given as text: rows by "\n", cells by ";"; a cell
    // that reads as a number (with a point) is a number cell, an empty one
    // is left out of the file. inlineStrings: the library's constant-memory
    // mode, which writes its texts inside the cells.
    static void writeWorkbook(const QString &path, const QStringList &sheets, bool inlineStrings)
    {
        // The library prints numbers with the C library, in the locale's form.
        const std::string numeric = setlocale(LC_NUMERIC, nullptr);
        setlocale(LC_NUMERIC, "C");
        lxw_workbook_options options{};
        options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
        lxw_workbook *book = workbook_new_opt(path.toUtf8().constData(), &options);
        for (const QString &text : sheets) {
            lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
            const QStringList rows = text.split(u'\n');
            for (lxw_row_t row = 0; row < lxw_row_t(rows.size()); ++row) {
                const QStringList cells = rows[row].split(u';');
                for (lxw_col_t column = 0; column < lxw_col_t(cells.size()); ++column) {
                    bool isNumber = false;
                    const double value = cells[column].toDouble(&isNumber);
                    if (isNumber)
                        worksheet_write_number(sheet, row, column, value, nullptr);
                    else if (!cells[column].isEmpty())
                        worksheet_write_string(sheet, row, column,
                                               cells[column].toUtf8().constData(), nullptr);
                }
            }
        }
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
        setlocale(LC_NUMERIC, numeric.c_str());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
    }

    void import_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind"); // "csv" (contents as they stand), "xlsx", "xlsx inline"
        QTest::addColumn<QByteArray>("contents"); // of a workbook: UTF-8 sheets apart by "\f"
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("map");
        QTest::addColumn<bool>("addNew");
        QTest::addColumn<QStringList>("remembered"); // for the file's name pattern
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("skipped");
        QTest::addColumn<QStringList>("goods"); // the catalogue afterwards
        QTest::addColumn<QString>("error");     // "LINE: part of the message"

        const QByteArray monthly = "Прайс-лист на июнь\r\n\r\n"
                                   "Артикул;Наименование;Ед. изм.;Цена, руб.\r\n"
                                   "вк-160;Воздуховод круглый 160;м;3,75\r\n"
                                   "Нов-1;Новинка;шт;1 250,50 руб.\r\n";
        const QString updatedDuct =
            QStringLiteral("ВК-160|Воздуховод круглый 160|м|3.75|1,2|Т-1|К-1|Завод|Воздуховоды");
        QTest::newRow("code page 1251, «;», a title above the headers, letter case aside")
            << "июнь.csv"
            << "csv" << CodePage1251::encode(QString::fromUtf8(monthly)) << 0 << QString() << true
            << QStringList() << "обновится 1, добавится 1, пропущено 0" << QStringList()
            << QStringList{updatedDuct, kFan, "Нов-1|Новинка|шт|1250.5|||||"} << QString();
        QTest::newRow("new names not added")
            << "июнь.csv"
            << "csv" << CodePage1251::encode(QString::fromUtf8(monthly)) << 0 << QString() << false
            << QStringList() << "обновится 1, добавится 0, пропущено 1"
            << QStringList{"строка 5: имени блока «Нов-1» нет в базе товара, а новые товары не "
                           "добавляются"}
            << QStringList{updatedDuct, kFan} << QString();

        QTest::newRow("UTF-8 with a mark, «,», quotes around commas, quotes and line breaks")
            << "utf8.csv"
            << "csv"
            << QByteArray("\xEF\xBB\xBFName,Caption,Cost\n"
                          "\"ВК-160\",\"Воздуховод \"\"круглый\"\", 160\",\"2,75\"\n"
                          "\"Нов-2\",\"Две\nстроки\",10\n"
                          "Плохая,x,abc\n")
            << 0 << QString() << true << QStringList() << "обновится 1, добавится 1, пропущено 1"
            << QStringList{"строка 5: цена «abc» — не число"}
            << QStringList{"ВК-160|Воздуховод \"круглый\", 160|мп|2.75|1,2|Т-1|К-1|Завод|"
                           "Воздуховоды",
                           kFan, "Нов-2|Две строки||10|||||"}
            << QString();

        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        const QByteArray unicodeText =
            utf16(QStringLiteral("Name\tCaption\tAbb\tCost\tM\tTYP\tCOD\tFirma\tGruppa\r\n"
                                 "ВР-4\tВентилятор радиальный\tшт\t120\t11,5\tВР-80\t0012\t"
                                 "Завод 2\tВентиляторы\r\n"));
        QTest::newRow("UTF-16 with tabs (Excel's Unicode text), the old catalogue's columns")
            << "unicode.txt"
            << "csv" << unicodeText << 0 << QString() << true << QStringList()
            << "обновится 1, добавится 0, пропущено 0" << QStringList()
            << QStringList{kDuct, "Вр-4|Вентилятор радиальный|шт|120|11,5|ВР-80|0012|Завод 2|"
                                  "Вентиляторы"}
            << QString();

        QTest::newRow("rows left out, each named by its line")
            << "bad.csv"
            << "csv"
            << QByteArray("Артикул;Цена\nВК-160;3\n;5\nНов-3;-1\nНов-4;10\nвк-160;3,00\n"
                          "НОВ-4;12\n;;\nНов-5;\n")
            << 0 << QString() << true << QStringList() << "обновится 1, добавится 1, пропущено 5"
            << QStringList{"строка 3: нет имени блока", "строка 4: цена «-1» меньше нуля",
                           "строка 5: имя блока «Нов-4» стоит в строках 5, 7 с разными ценами",
                           "строка 6: имя блока «вк-160» уже было в строке 2",
                           "строка 7: имя блока «НОВ-4» стоит в строках 5, 7 с разными ценами"}
            << QStringList{"ВК-160|Воздуховод 160|мп|3|1,2|Т-1|К-1|Завод|Воздуховоды", kFan,
                           "Нов-5||||||||"}
            << QString();

        QTest::newRow("only the columns mapped: by number, by a quoted header, one left out")
            << "map.csv"
            << "csv"
            << QByteArray("Артикул;Наименование;Цена, руб.\nВК-160;Другое;4\nНов-6;Новое;5\n") << 0
            << "name=1, price=\"Цена, руб.\", caption=" << true << QStringList()
            << "обновится 1, добавится 1, пропущено 0" << QStringList()
            << QStringList{"ВК-160|Воздуховод 160|мп|4|1,2|Т-1|К-1|Завод|Воздуховоды", kFan,
                           "Нов-6|||5|||||"}
            << QString();

        QTest::newRow("the columns remembered for files of the same name pattern")
            << "Прайс 2024-06.csv"
            << "csv" << QByteArray("Артикул;Цена розн.;Цена опт\nВК-160;10;8\n") << 0 << QString()
            << true << QStringList{"price=\"Цена опт\""} << "обновится 1, добавится 0, пропущено 0"
            << QStringList()
            << QStringList{"ВК-160|Воздуховод 160|мп|8|1,2|Т-1|К-1|Завод|Воздуховоды", kFan}
            << QString();

        QTest::newRow("a workbook: a title, shared strings, number cells, cells left out")
            << "book.xlsx"
            << "xlsx"
            << QByteArray("Прайс\n\nАртикул;Наименование;Ед. изм.;Цена\n"
                          "ВК-160;Воздуховод;;7.5\nНов-7;Новинка 7;шт;0.1\nПлохая;x;шт;дорого")
            << 0 << QString() << true << QStringList() << "обновится 1, добавится 1, пропущено 1"
            << QStringList{"строка 6: цена «дорого» — не число"}
            << QStringList{"ВК-160|Воздуховод||7.5|1,2|Т-1|К-1|Завод|Воздуховоды", kFan,
                           "Нов-7|Новинка 7|шт|0.1|||||"}
            << QString();
        QTest::newRow("a workbook's second sheet, its texts inline")
            << "inline.xlsx"
            << "xlsx inline" << QByteArray("Обложка\fИмя блока;Цена\nвр-4;99") << 1 << QString()
            << true << QStringList() << "обновится 1, добавится 0, пропущено 0" << QStringList()
            << QStringList{kDuct, "Вр-4|Вентилятор|Шт|99|10|ВР|К-2|Завод|Вентиляторы"} << QString();

        const QStringList untouched{kDuct, kFan};
        QTest::newRow("a quote never closed: nothing written, its line named")
            << "quote.csv"
            << "csv" << QByteArray("Артикул;Цена\nА;1\n\"Б;2\nВ;3\n") << 0 << QString() << true
            << QStringList() << QString() << QStringList() << untouched
            << "3: Кавычка, открытая в этой строке, не закрыта";
        QTest::newRow("a mark of UTF-8 over text of code page 1251: its line named")
            << "mixed.csv"
            << "csv"
            << "\xEF\xBB\xBF" + QByteArray("Артикул;Цена\n") +
                   CodePage1251::encode(QStringLiteral("Б;2\n"))
            << 0 << QString() << true << QStringList() << QString() << QStringList() << untouched
            << "2: помечен как UTF-8";
        QTest::newRow("an Excel 97 workbook, refused with advice")
            << "old.xls"
            << "csv" << QByteArray("\xD0\xCF\x11\xE0").append(512, '\0') << 0 << QString() << true
            << QStringList() << QString() << QStringList() << untouched
            << "0: сохраните её в Excel или LibreOffice как «Книга Excel (.xlsx)»";
        QTest::newRow("no column gives the block name")
            << "nameless.csv"
            << "csv" << QByteArray("Цена;Масса\n1;2\n") << 0 << QString() << true << QStringList()
            << QString() << QStringList() << untouched << "0: Не выбран столбец имени блока";
    }

    void import()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(int, sheet);
        QFETCH(QString, map);
        QFETCH(bool, addNew);
        QFETCH(QStringList, remembered);
        QFETCH(QString, summary);
        QFETCH(QStringList, skipped);
        QFETCH(QStringList, goods);
        QFETCH(QString, error);

        const QString folder = m_dir.filePath(QString::number(++m_counter));
        QVERIFY(QDir().mkpath(folder));
        const QString catalogue = folder + QStringLiteral("/dorvik-Vent.mdb");
        TestSupport::makeCatalogue(
            catalogue,
            {{"ВК-160", "Воздуховод 160", "мп", 2.5, "1,2", "Т-1", "К-1", "Завод", "Воздуховоды"},
             {"Вр-4", "Вентилятор", "Шт", 100.0, "10", "ВР", "К-2", "Завод", "Вентиляторы"}});
        const QString path = folder + u'/' + name;
        if (kind == QStringLiteral("csv")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(contents), contents.size());
        } else {
            writeWorkbook(path, QString::fromUtf8(contents).split(u'\f'),
                          kind == QStringLiteral("xlsx inline"));
        }
        Settings().setPriceListColumns(PriceColumns::filePattern(path), remembered);

        Session session;
        session.setCatalogueFile(catalogue);
        try {
            const PriceListImport::Source source = PriceListImport::read(path, sheet);
            PriceColumns::Mapping mapping = source.mapping;
            if (!map.isEmpty())
                PriceColumns::apply(map, source.headers, mapping);
            const PriceListImport::Plan plan =
                PriceListImport::plan(source, mapping, addNew, session.goods());
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(PriceListImport::summary(plan), summary);
            QCOMPARE(PriceListImport::skippedLines(plan), skipped);
            PriceListImport::write(plan, session.goods());
        } catch (const AppError &refused) {
            QVERIFY2(!error.isEmpty(), qPrintable(refused.fullText()));
            QCOMPARE(QString::number(refused.line()), error.section(QStringLiteral(": "), 0, 0));
            QVERIFY2(refused.message().contains(error.section(QStringLiteral(": "), 1)),
                     qPrintable(refused.message()));
        }
        QStringList after;
        session.goods().forEachGood([&](const CatalogueGood &good) {
            after << QStringList{good.name, good.caption, good.unit, good.cost.toString(),
                                 good.mass, good.type,    good.code, good.maker,
                                 good.group}
                         .join(u'|');
        });
        QCOMPARE(after, goods);
    }
};

QTEST_GUILESS_MAIN(PriceListTest)
#include "tst_pricelist.moc"
