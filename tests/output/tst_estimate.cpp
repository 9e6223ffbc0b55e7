#include "EstimateReport.h"
#include "ReportOutput.h"
#include "TestSupport.h"

#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

// The estimate "Смета": its pages, its numbers and where its texts print.
class EstimateTest : public QObject {
    Q_OBJECT

    static EstimateContents contents(int rows)
    {
        EstimateContents estimate;
        estimate.header = HeaderFields::defaults();
        estimate.date = QDate(2024, 3, 5);
        for (int i = 0; i < rows; ++i)
            estimate.rows.append({QStringLiteral("Радиатор %1").arg(i + 1), 2, "шт", 10.5});
        return estimate;
    }

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    // Rows fill a page and go on to the next; the total stays below the last
    // row where it fits, else it takes a page of its own.
    void pageBreaks_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("rowsPerPage");
        QTest::addColumn<int>("totalPage");
        QTest::newRow("no rows, no pages") << 0 << QList<int>{} << -1;
        QTest::newRow("total below the last row") << 38 << QList<int>{38} << 0;
        QTest::newRow("first page full, total on the next") << 39 << QList<int>{39, 0} << 1;
        QTest::newRow("total fits a later page") << 82 << QList<int>{39, 43} << 1;
        QTest::newRow("total does not fit a later page") << 83 << QList<int>{39, 44, 0} << 2;
    }

    void pageBreaks()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, rowsPerPage);
        QFETCH(int, totalPage);
        const EstimateReport report(contents(rows));
        QCOMPARE(report.pageCount(), rowsPerPage.size());
        int next = 0;
        for (int page = 0; page < report.pageCount(); ++page) {
            const EstimateReport::Page &p = report.pages()[page];
            QCOMPARE(p.firstRow, next);
            QCOMPARE(p.rowCount, rowsPerPage[page]);
            QCOMPARE(p.title, page == 0);
            QCOMPARE(p.total, page == totalPage);
            next += p.rowCount;
        }
        // Rows are numbered as they print, across pages.
        if (rows > 0)
            QCOMPARE(report.rowTexts(rows - 1).first(), QString::number(rows));
    }

    // A missing quantity counts as none; a missing price leaves the price
    // and the sum empty and adds nothing to the total.
    void missingNumbers()
    {
        EstimateContents estimate;
        estimate.rows = {{"Кран", 2.5, "шт", 1000.1},
                         {"Отвод", 0, "шт", 99.9},
                         {"Труба", 3, "м", std::nullopt},
                         {"Муфта", std::nullopt, "шт", 5}};
        const EstimateReport report(estimate);
        const QStringList expected[] = {{"1", "Кран", "2,5", "шт", "1000,10", "2500,25"},
                                        {"2", "Отвод", "0", "шт", "99,90", "0,00"},
                                        {"3", "Труба", "3", "м", "", ""},
                                        {"4", "Муфта", "0", "шт", "5,00", "0,00"}};
        for (int row = 0; row < 4; ++row)
            QCOMPARE(report.rowTexts(row), expected[row]);
        QCOMPARE(report.totalText(), QStringLiteral("2 500"));
    }

    // The PDF read back as a new reader would: A4 portrait, and texts of the
    // title, column header, rows, total and page number at their places.
    void pdfPlacesTextsOnTheForm()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("смета.pdf"));
        ReportOutput::writePdf(EstimateReport(contents(40)), pdf);
        QProcess pdftotext; // of poppler-utils
        pdftotext.start(QStringLiteral("pdftotext"), {"-bbox-layout", pdf, "-"});
        QVERIFY(pdftotext.waitForFinished() && pdftotext.exitCode() == 0);

        // Words by page and text, boxes in millimetres from the printable area.
        constexpr double mm = 72 / 25.4;
        QMultiHash<QPair<int, QString>, QRectF> words;
        QXmlStreamReader xml(pdftotext.readAllStandardOutput());
        int page = -1;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            auto at = [&](const char *name) { return a.value(QLatin1String(name)).toDouble(); };
            if (xml.name() == u"page") {
                ++page;
                QVERIFY(qAbs(at("width") / mm - 210) < 0.5 && qAbs(at("height") / mm - 297) < 0.5);
            } else if (xml.name() == u"word") {
                const QRectF box(QPointF(at("xMin") / mm - 30, at("yMin") / mm - 15),
                                 QPointF(at("xMax") / mm - 30, at("yMax") / mm - 15));
                words.insert({page, xml.readElementText()}, box);
            }
        }
        QCOMPARE(page, 1);

        auto near = [&](int page, const QString &text, double x, double y, Qt::Alignment how) {
            for (const QRectF &box : words.values({page, text})) {
                const double wordX = how & Qt::AlignRight     ? box.right()
                                     : how & Qt::AlignHCenter ? box.center().x()
                                                              : box.left();
                const double wordY = how & Qt::AlignVCenter ? box.center().y() : box.top();
                if (qAbs(wordX - x) < 0.5 && qAbs(wordY - y) < 0.5)
                    return true;
            }
            qWarning() << text << page << x << y << "is at" << words.values({page, text});
            return false;
        };
        QVERIFY(near(0, "Заказчик:", 0, 4.2, Qt::AlignLeft));
        QVERIFY(near(0, "05.03.2024", 147.9, 25.4, Qt::AlignLeft));
        QVERIFY(near(0, "№", 0.98, 31.8 + 2.9, Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(near(0, "1", 6.45, 37.6 + 2.8, Qt::AlignHCenter | Qt::AlignVCenter));
        QVERIFY(near(0, "21,00", 163.2, 37.6 + 2.8, Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(near(0, "1", 163.7, 260.6, Qt::AlignRight));
        QVERIFY(near(1, "№", 0.98, 2.9, Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(near(1, "40", 6.45, 5.8 + 2.8, Qt::AlignHCenter | Qt::AlignVCenter));
        QVERIFY(near(1, "840", 164.5, 11.4 + 3.95, Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(near(1, "2", 163.7, 260.6, Qt::AlignRight));
    }
};

QTEST_MAIN(EstimateTest)
#include "tst_estimate.moc"
