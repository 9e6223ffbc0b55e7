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
#include <zip.h>

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

    // A workbook of one sheet whose XML parts are given as they stand.
    static void zipWorkbook(const QString &path, const QByteArray &sheet,
                            const QByteArray &sharedStrings)
    {
        const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
        const QByteArray relations =
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
        const QList<std::pair<const char *, QByteArray>> parts = {
            {"xl/workbook.xml", xml + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + relations +
                                    "\"><sheets><sheet name=\"Прайс\" sheetId=\"1\" "
                                    "r:id=\"rId1\"/></sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             xml +
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                 "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                 relations +
                 "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship "
                 "Id=\"rId2\" Type=\"" +
                 relations + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
            {"xl/worksheets/sheet1.xml", sheet},
            {"xl/sharedStrings.xml", sharedStrings}};
        int error = 0;
        zip_t *archive =
            zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        QVERIFY(archive);
        for (const auto &[name, bytes] : parts) {
            zip_source_t *source =
                zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
            QVERIFY(source && zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) >= 0);
        }
        QCOMPARE(zip_close(archive), 0);
    }

private slots:
    void sheetXml_data()
    {
        QTest::addColumn<QByteArray>("sheetData"); // inside <sheetData>
        QTest::addColumn<QByteArray>("strings");   // inside <sst>
        QTest::addColumn<QString>("rows"); // "line:cell|cell" by "\n", or "error line: text"

        const QByteArray header = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
                                  "<c r=\"B1\" t=\"s\"><v>1</v></c></row>";
        const QByteArray strings = "<si><t>Имя блока</t></si><si><t>Цена</t></si>";
        const auto row = [&](const char *tag, const QByteArray &cells, const QByteArray &more,
                             const QString &rows) {
            QTest::newRow(tag) << header + cells << strings + more << rows;
        };
        row("cells left out and placed by their references",
            "<row r=\"3\"><c r=\"B3\"><v>7.5</v></c><c r=\"D3\" t=\"s\"><v>0</v></c></row>", "",
            "3:|7.5||Имя блока");
        row("rows and cells without references follow the last",
            "<row><c><v>1</v></c><c/><c><v>0.10000000000000001</v></c></row><row r=\"9\"/><row>"
            "<c r=\"C\"><v>2</v></c></row>",
            "", "2:1||0.1\n9:\n10:||2");
        row("entities and character references",
            "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"B2\" t=\"str\"><v>&#49;&#x30;"
            "</v></c></row>",
            "<si><t>&lt;Д&apos;Арт&gt; &amp; &quot;К&#1086;&#x2116;&quot;</t></si>",
            "2:<Д'Арт> & \"Ко№\"|10");
        row("rich text runs in a shared string, phonetic hints left out",
            "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c></row>",
            "<si><r><rPr><b/><sz val=\"11\"/></rPr><t xml:space=\"preserve\">ВК </t></r><r>"
            "<t>160</t></r><rPh sb=\"0\" eb=\"1\"><t>ぶ</t></rPh></si>",
            "2:ВК 160");
        row("inline strings of runs; formulas give their values",
            "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><r><t>Нов</t></r><r><rPr><i/></rPr>"
            "<t>-1</t></r><rPh><t>x</t></rPh></is></c><c r=\"B2\"><f>1+1</f><v>2</v></c>"
            "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#DIV/0!</v></c></row>",
            "", "2:Нов-1|2|1|#DIV/0!");
        row("a comment and CDATA, read as well",
            "<!-- итог --><row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t><![CDATA[<a&b>]]>"
            "</t></is></c></row>",
            "<!-- -->", "2:<a&b>");
        row("a line break in a cell", "<row r=\"2\"><c r=\"A2\" t=\"str\"><v>а\r\nб</v></c></row>",
            "", "2:а\nб");
        row("a prefix declared around the rows",
            "<row r=\"2\" x14ac:dyDescent=\"0.25\"><c r=\"A2\"><v>5</v></c></row>", "", "2:5");
        row("a shared string that the table lacks",
            "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>7</v></c></row>", "",
            "error 4: на строку 7 общей таблицы строк, а в ней 2 строк");
        row("an element left open", "<row r=\"2\"><c r=\"A2\"><v>1</c></row>", "",
            "error 0: часть «xl/worksheets/sheet1.xml», строка 2");
        row("an unknown entity", "<row r=\"2\"><c r=\"A2\" t=\"str\"><v>&nbsp;</v></c></row>", "",
            "error 0: часть «xl/worksheets/sheet1.xml», строка 2");
        row("a broken shared strings table", "", "<si><t>x</si>",
            "error 0: часть «xl/sharedStrings.xml», строка 2");
    }

    // The cells of a sheet as spreadsheet programs write its XML: the plain
    // rows read quickly, anything else read as well by the full reader, and
    // broken XML refused naming the part and its line.
    void sheetXml()
    {
        QFETCH(QByteArray, sheetData);
        QFETCH(QByteArray, strings);
        QFETCH(QString, rows);
        const QString path = m_dir.filePath(QStringLiteral("xml%1.xlsx").arg(++m_counter));
        const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        zipWorkbook(path,
                    xml +
                        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                        "2006/main\" xmlns:x14ac=\"http://schemas.microsoft.com/office/"
                        "spreadsheetml/2009/9/ac\"><dimension ref=\"A1:D9\"/><sheetData>" +
                        sheetData + "</sheetData><pageMargins left=\"0.7\"/></worksheet>",
                    xml +
                        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                        "main\" count=\"3\">" +
                        strings + "</sst>");
        QStringList read;
        try {
            const PriceListImport::Source source = PriceListImport::read(path);
            for (const PriceRow &row : source.table.rows)
                read << QString::number(row.line) + u':' + row.cells.join(u'|');
        } catch (const AppError &error) {
            read << QStringLiteral("error %1: %2").arg(error.line()).arg(error.message());
        }
        if (rows.startsWith(QStringLiteral("error"))) {
            QCOMPARE(read.size(), 1);
            QVERIFY2(read[0].startsWith(rows.section(QStringLiteral(": "), 0, 0)),
                     qPrintable(read[0]));
            QVERIFY2(read[0].contains(rows.section(QStringLiteral(": "), 1)), qPrintable(read[0]));
        } else {
            QCOMPARE(read.join(u'\n'), QStringLiteral("1:Имя блока|Цена\n") + rows);
        }
    }

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
