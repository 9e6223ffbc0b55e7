#include "CodePage1251.h"
#include "HeaderFields.h"
#include "Reports.h"
#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// A word of a PDF page as poppler reads it, its box in millimetres from the
// top left corner of the paper.
struct Word {
    QString text;
    QRectF box;
};
using Page = QList<Word>;

QList<Page> readWords(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), pdf, "-"});
    pdftotext.waitForFinished(60000);
    QList<Page> pages;
    QXmlStreamReader xml(pdftotext.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto mm = [&](const char *name) {
            return xml.attributes().value(QLatin1String(name)).toDouble() * 25.4 / 72;
        };
        if (xml.name() == u"page") {
            pages.emplace_back();
        } else if (xml.name() == u"word") {
            const QRectF box(QPointF(mm("xMin"), mm("yMin")), QPointF(mm("xMax"), mm("yMax")));
            pages.last().append({xml.readElementText(), box});
        }
    }
    return pages;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The lines of the words whose middle lies between left and right, top to
// bottom: the lines of one cell when the sheet has one row.
QStringList column(const Page &page, double left, double right, double top, double bottom)
{
    QMap<int, QList<Word>> lines;
    for (const Word &word : page) {
        const QPointF middle = word.box.center();
        if (middle.x() > left && middle.x() < right && middle.y() > top && middle.y() < bottom)
            lines[qRound(word.box.top() * 2)].append(word);
    }
    QStringList texts;
    for (QList<Word> &line : lines) {
        std::sort(line.begin(), line.end(),
                  [](const Word &a, const Word &b) { return a.box.left() < b.box.left(); });
        QStringList words;
        for (const Word &word : line)
            words << word.text;
        texts << words.join(u' ');
    }
    return texts;
}

// Whether lines read as text when every line ends at a blank, after a hyphen
// or slash of the text, or at a hyphen added at a break inside a word.
bool readsAs(const QStringList &lines, const QString &text)
{
    if (lines.isEmpty())
        return text.isEmpty();
    const QString &line = lines.first();
    if (!text.startsWith(line))
        return lines.size() == 1 ? false
                                 : line.endsWith(u'-') && text.startsWith(line.chopped(1)) &&
                                       readsAs(lines.mid(1), text.mid(line.size() - 1));
    const QString rest = text.mid(line.size());
    if (lines.size() == 1)
        return rest.isEmpty();
    if (rest.startsWith(u' ') && readsAs(lines.mid(1), rest.mid(1)))
        return true;
    return (line.endsWith(u'-') || line.endsWith(u'/')) && readsAs(lines.mid(1), rest);
}

} // namespace

// The sheet and the estimate as kvintor-cli writes them, read back as a
// checking engineer's tools read them: poppler's words and their boxes,
// pdfinfo, pdffonts. Lengths of the forms are those of their rules.
class PrintedPdfTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Result {
        int status = -1;
        QString err;
        QList<Page> pages;
    };

    // One specification of positions (number, block name, quantity, remark)
    // through kvintor-cli command, with its output as pages.
    Result print(const QString &command, const QList<QStringList> &positions,
                 const QStringList &options = {}, const QString &locale = "ru_RU.UTF-8")
    {
        QStringList lines{QStringLiteral("// Заголовок")};
        HeaderFields header;
        header[HeaderFields::DocumentCode] = QStringLiteral("24-017");
        header[HeaderFields::Object] = QStringLiteral("Административное здание");
        header[HeaderFields::Surname1] = QStringLiteral("Д'Артаньян");
        for (int field = 0; field < HeaderFields::kStoredCount; ++field)
            lines << header[HeaderFields::Field(field)];
        lines << QStringLiteral("// Начало базы");
        for (const QStringList &p : positions)
            lines << p[0] << "0" << p[1] << p[2] << ""
                  << "" << p.value(3) << "";
        QFile file(m_dir.filePath(QStringLiteral("спецификация.СО")));
        file.open(QIODevice::WriteOnly);
        file.write(CodePage1251::encode(lines.join(QStringLiteral("\r\n")) + "\r\n"));
        file.close();

        const QString pdf = m_dir.filePath(command + QStringLiteral(".pdf"));
        QFile::remove(pdf);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        environment.insert(QStringLiteral("LANG"), locale);
        environment.insert(QStringLiteral("LC_ALL"), locale);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KV_CLI),
                      QStringList{command, file.fileName(), "-o", pdf, "--catalogue",
                                  m_dir.filePath("База.mdb"), "--firm", "ООО «Теплопроект»"} +
                          options);
        process.waitForFinished(60000);
        Result result{process.exitCode(), QString::fromUtf8(process.readAllStandardError()), {}};
        if (QFile::exists(pdf))
            result.pages = readWords(pdf);
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QVariant noPrice;
        TestSupport::makeCatalogue(
            m_dir.filePath("База.mdb"),
            {{"КЛ-1", "Клапан противопожарный", "компл", 12345678.99, "12.5",
              "КПУ-1Н-О-600х400-ЭМП(220)-НЗ/ВН", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789",
              "КлапанПромСистемы", ""},
             {"ВЗ-1",
              "Воздухораспределительпотолочныйчетырёхстороннийрегулируемый с "
              "электроприводными жалюзийными теплоизолированными камерами",
              "шт", noPrice, "4,9", "", "", "", ""},
             {"ТР-1", "Труба", "м", 1000.1, "0,5", "", "", "", ""},
             {"ЗД-1", "Здание", "шт", 1e15, "", "", "", "", ""},
             {"ЗД-2", "Город", "шт", 1e300, "", "", "", "", ""}});
    }

    // Every number is one line inside the rules of its column, however long;
    // a sum too big for its box refuses the estimate, naming the position.
    void numbersInTheirBoxes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("position");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        using L = QStringList;
        QTest::newRow("quantity") << "sheet" << L{"1", "КЛ-1", "1234567.89"} << "1234567,89"
                                  << 308.0 << 328.9;
        QTest::newRow("least quantity") << "sheet" << L{"1", "КЛ-1", "0.00000000123456789012345"}
                                        << "1,23456789012345e-09" << 308.0 << 328.9;
        QTest::newRow("position number")
            << "sheet" << L{"123456789012", "КЛ-1", "1"} << "123456789012" << 0.0 << 21.2;
        QTest::newRow("mass") << "sheet" << L{"1", "КЛ-1", "1"} << "12,5" << 328.9 << 355.3;
        QTest::newRow("estimate quantity")
            << "estimate" << L{"1", "ТР-1", "-999999999.99"} << "-999999999,99" << 101.6 << 116.4;
        QTest::newRow("price") << "estimate" << L{"1", "КЛ-1", "1"} << "12345678,99" << 124.6
                               << 143.9;
        QTest::newRow("sum") << "estimate" << L{"1", "КЛ-1", "70"} << "864197529,30" << 143.9
                             << 165.1;
        QTest::newRow("total") << "estimate" << L{"1", "КЛ-1", "70"} << "864197" << 143.9 << 164.5;
        // A refused estimate names the position.
        QTest::newRow("sum too wide")
            << "estimate" << L{"7", "ЗД-1", "999"} << QString() << 0.0 << 0.0;
        QTest::newRow("sum past counting")
            << "estimate" << L{"7", "ЗД-2", "999999999"} << QString() << 0.0 << 0.0;
    }

    void numbersInTheirBoxes()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, position);
        QFETCH(QString, number);
        QFETCH(double, left);
        QFETCH(double, right);
        const Result result = print(command, {position});
        if (number.isEmpty()) {
            QCOMPARE(result.status, 1);
            QVERIFY2(result.err.contains(QStringLiteral("позиции 7 «%1»").arg(position[1])),
                     qPrintable(result.err));
            QVERIFY(result.pages.isEmpty());
            return;
        }
        QCOMPARE(result.status, 0);
        const double margin = command == u"sheet" ? 15 : 30;
        const auto found = std::find_if(result.pages[0].begin(), result.pages[0].end(),
                                        [&](const Word &word) { return word.text == number; });
        QVERIFY2(found != result.pages[0].end(), qPrintable(number));
        QVERIFY2(found->box.left() > left + margin && found->box.right() < right + margin,
                 qPrintable(QStringLiteral("%1 at %2–%3")
                                .arg(number)
                                .arg(found->box.left() - margin)
                                .arg(found->box.right() - margin)));
    }

    // Texts wrap at blanks; a word wider than its column breaks after a
    // hyphen or slash it holds or with a hyphen added, never unseen.
    void breaksOnlyAtHyphens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("remark");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<QString>("text");
        QTest::newRow("description")
            << "ВЗ-1"
            << "" << 21.2 << 148.4
            << "Воздухораспределительпотолочныйчетырёхстороннийрегулируемый с "
               "электроприводными жалюзийными теплоизолированными "
               "камерами";
        QTest::newRow("type") << "КЛ-1"
                              << "" << 148.4 << 207.4 << "КПУ-1Н-О-600х400-ЭМП(220)-НЗ/ВН";
        QTest::newRow("Latin code")
            << "КЛ-1"
            << "" << 207.4 << 244.5 << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        QTest::newRow("maker") << "КЛ-1"
                               << "" << 244.5 << 286.8 << "КлапанПромСистемы";
        QTest::newRow("remark") << "ТР-1"
                                << "по месту словоБезПробеловДлиннющее ПВ-1/ПВ-2/ПВ-3" << 355.3
                                << 395.0 << "по месту словоБезПробеловДлиннющее ПВ-1/ПВ-2/ПВ-3";
    }

    void breaksOnlyAtHyphens()
    {
        QFETCH(QString, name);
        QFETCH(QString, remark);
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(QString, text);
        const Result result = print("sheet", {{"1", name, "1", remark}});
        QCOMPARE(result.status, 0);
        // The one row lies below the column numbers and the empty heading.
        const QStringList lines =
            column(result.pages[0], left + 15, right + 15, 5 + 33.4 + 16.9, 5 + 287 - 60.1);
        QVERIFY2(lines.size() > 1, qPrintable(lines.join(u'|')));
        QVERIFY2(readsAs(lines, text), qPrintable(lines.join(u'|')));
    }

    // The pages asked for, each with its number in the whole set; a range
    // the report has not is refused, naming its number of pages.
    void pageRange_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("pages");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("numbers"); // the page numbers printed, in order
        QTest::newRow("sheets 2 to 3") << "sheet"
                                       << "2-3" << 0 << QStringList{"2", "3"};
        QTest::newRow("sheet 1") << "sheet"
                                 << "1" << 0 << QStringList{"1"};
        QTest::newRow("estimate page 2") << "estimate"
                                         << "2-2" << 0 << QStringList{"2"};
        QTest::newRow("past the end") << "sheet"
                                      << "3-4" << 1 << QStringList{};
        QTest::newRow("from page 0") << "sheet"
                                     << "0-2" << 1 << QStringList{};
        QTest::newRow("backwards") << "estimate"
                                   << "2-1" << 1 << QStringList{};
        QTest::newRow("no range") << "sheet"
                                  << "две" << 2 << QStringList{};
    }

    void pageRange()
    {
        QFETCH(QString, command);
        QFETCH(QString, pages);
        QFETCH(int, status);
        QFETCH(QStringList, numbers);
        QList<QStringList> positions;
        for (int i = 1; i <= 45; ++i)
            positions.append({QString::number(i), "ТР-1", "1"});
        const Result result = print(command, positions, {"--pages", pages});
        QCOMPARE(result.status, status);
        QCOMPARE(result.pages.size(), numbers.size());
        if (status == 1)
            QVERIFY2(result.err.contains(QRegularExpression(QStringLiteral(" [23] страниц"))),
                     qPrintable(result.err));
        // The sheet number in the title block (with the number of sheets on
        // the first sheet), or the page number at the foot of an estimate.
        const double band = 5 + 287 - 60.1;
        for (int p = 0; p < numbers.size(); ++p) {
            const QRectF place = command == u"estimate" ? QRectF(30 + 148.4, 15 + 258.6, 15.3, 6)
                                 : numbers[p] == u"1"   ? QRectF(15 + 361.7, band + 36, 30, 7)
                                                        : QRectF(15 + 386.3, band + 52.5, 7, 7);
            QStringList there;
            for (const Word &word : result.pages[p])
                if (place.contains(word.box.center()))
                    there << word.text;
            const QStringList expected = command == u"sheet" && numbers[p] == u"1"
                                             ? QStringList{"1", "3"}
                                             : QStringList{numbers[p]};
            QCOMPARE(there, expected);
        }
    }

    // Quantities and masses typed with a point print with a comma, whatever
    // the locale kvintor-cli runs in.
    void decimalComma_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("numbers");
        for (const char *locale : {"C", "ru_RU.UTF-8"}) {
            QTest::addRow("sheet, %s", locale) << "sheet" << locale << QStringList{"2,5", "12,5"};
            QTest::addRow("estimate, %s", locale)
                << "estimate" << locale << QStringList{"2,5", "12345678,99", "30864197,48"};
        }
    }

    void decimalComma()
    {
        QFETCH(QString, command);
        QFETCH(QString, locale);
        QFETCH(QStringList, numbers);
        const Result result = print(command, {{"1", "КЛ-1", "2.5"}}, {}, locale);
        QCOMPARE(result.status, 0);
        QStringList words;
        for (const Word &word : result.pages.value(0))
            words << word.text;
        for (const QString &number : numbers) {
            QVERIFY2(words.contains(number), qPrintable(number));
            QVERIFY2(!words.contains(QString(number).replace(u',', u'.')), qPrintable(number));
        }
    }

    // The positions without a price are named, all on the error stream and
    // in the program's notice up to a dozen and "и ещё N"; their price and
    // sum cells stay empty and the total sums the priced rows.
    void missingPrices_data()
    {
        QTest::addColumn<int>("unpriced");
        QTest::newRow("one") << 1;
        QTest::newRow("many") << 15;
    }

    void missingPrices()
    {
        QFETCH(int, unpriced);
        QList<QStringList> positions{{"1", "ТР-1", "3"}};
        for (int i = 0; i < unpriced; ++i)
            positions.append({QString::number(i + 2), "ВЗ-1", "2"});
        const Result result = print("estimate", positions);
        QCOMPARE(result.status, 0);
        QStringList named;
        for (const QString &line : result.err.split(u'\n'))
            if (line.startsWith(QStringLiteral("  поз. ")))
                named << line.trimmed();
        QCOMPARE(named.size(), unpriced);
        QCOMPARE(named.last(), QStringLiteral("поз. %1 «ВЗ-1»").arg(unpriced + 1));
        const QString notice = Reports::unpricedNotice(named);
        QCOMPARE(notice.contains(QStringLiteral("и ещё 3")), unpriced == 15);
        QVERIFY(notice.contains(named.first()));

        // Nothing in the price and sum columns but the priced row's, the
        // total and the page number.
        QStringList right;
        for (const Word &word : result.pages[0])
            if (word.box.center().x() > 30 + 124.6 && word.box.center().y() > 15 + 37.6)
                right << word.text;
        right.sort();
        QCOMPARE(right, (QStringList{"000", "1", "1000,10", "3", "3000,30", "Итого:"}));
    }

    // PDF/A-1b with the document's title, author, subject and creator told
    // alike in the information dictionary and the XMP; every font embedded.
    void metadata_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::newRow("sheet") << "sheet"
                               << "Спецификация оборудования и материалов, 24-017";
        QTest::newRow("estimate") << "estimate"
                                  << "Смета, 24-017";
    }

    void metadata()
    {
        QFETCH(QString, command);
        QFETCH(QString, title);
        QCOMPARE(print(command, {{"1", "ТР-1", "1"}}).status, 0);
        const QString pdf = m_dir.filePath(command + QStringLiteral(".pdf"));
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        const QString version = QStringLiteral("Kvintor " KVINTOR_VERSION);
        for (const QString &line : {QStringLiteral("Title:           ") + title,
                                    QStringLiteral("Author:          ООО «Теплопроект»"),
                                    QStringLiteral("Subject:         Административное здание"),
                                    QStringLiteral("Creator:         ") + version})
            QVERIFY2(info.contains(line + u'\n'), qPrintable(info));
        const QString xmp = run(QStringLiteral("pdfinfo"), {"-meta", pdf});
        for (const QString &part : {QStringLiteral("<pdfaid:part>1</pdfaid:part>"),
                                    QStringLiteral("<pdfaid:conformance>B</pdfaid:conformance>"),
                                    title, QStringLiteral("<rdf:li>ООО «Теплопроект»</rdf:li>"),
                                    QStringLiteral("Административное здание</rdf:li>"),
                                    QStringLiteral("<xmp:CreatorTool>") + version})
            QVERIFY2(xmp.contains(part), qPrintable(xmp));
        static const QRegularExpression embedded(
            QStringLiteral(" (yes|no) +(yes|no) +(yes|no) +\\d+ +\\d+$"));
        const QStringList fonts = run(QStringLiteral("pdffonts"), {pdf}).split(u'\n').mid(2);
        QVERIFY(fonts.size() >= 2);
        for (const QString &font : fonts)
            QVERIFY2(font.isEmpty() || embedded.match(font).captured(1) == u"yes",
                     qPrintable(font));
    }
};

QTEST_MAIN(PrintedPdfTest)
#include "tst_printedpdf.moc"
