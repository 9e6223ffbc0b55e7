#include "PageCanvas.h"
#include "ReportOutput.h"
#include "SheetReport.h"
#include "SheetTitleBlock.h"
#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Placed = SheetReport::Placed;
using Row = SheetContents::Row;

Row row(const QString &caption, const QString &code = {}, const QString &comment = {})
{
    return Row{"1", caption, {}, code, {}, "шт.", "2,5", {}, comment};
}

// Groups with the given numbers of rows, every caption one unique word.
SheetContents sheet(const QList<int> &rowsPerGroup)
{
    SheetContents contents;
    for (int g = 0; g < rowsPerGroup.size(); ++g) {
        contents.groups.append({QStringLiteral("Группа %1").arg(g), {}});
        for (int r = 0; r < rowsPerGroup[g]; ++r)
            contents.groups[g].rows.append(row(QStringLiteral("Изделие-%1-%2").arg(g).arg(r)));
    }
    return contents;
}

// The whole height of every heading (row -1) and row, its parts summed.
QMap<QPair<int, int>, double> heights(const SheetReport &report)
{
    QMap<QPair<int, int>, double> heights;
    for (int p = 0; p < report.pageCount(); ++p)
        for (const Placed &item : report.placed(p))
            heights[{item.group, item.row}] += item.height;
    return heights;
}

// The page logic of every sheet: items stacked from the top of the body
// without gaps, none past its foot; a heading never last on a page while its
// group has rows; a new page only when the next item (a heading with its
// first row) does not fit; every heading and row once and in order, only one
// taller than half a page in parts.
void checkFlow(const SheetReport &report, const SheetContents &contents)
{
    const QRectF body = SheetReport::body();
    const auto height = heights(report);
    const auto hasRows = [&](int group) { return !contents.groups[group].rows.isEmpty(); };
    QList<Placed> all;
    for (int p = 0; p < report.pageCount(); ++p) {
        double y = body.top();
        for (const Placed &item : report.placed(p)) {
            QCOMPARE(item.top, y);
            y += item.height;
        }
        QVERIFY(y <= body.bottom() + 1e-9);
        if (p > 0) {
            const Placed &last = all.last(), &next = report.placed(p).first();
            QVERIFY2(last.row >= 0 || !hasRows(last.group), "a heading last on a page");
            double needed = height[{next.group, next.row}];
            if (next.row < 0 && hasRows(next.group))
                needed += height[{next.group, 0}];
            if (next.offset == 0 && needed <= body.height())
                QVERIFY2(last.top + last.height + needed > body.bottom(), "room left on a page");
        }
        all += report.placed(p);
    }
    qsizetype at = 0;
    for (int g = 0; g < contents.groups.size(); ++g)
        for (int r = -1; r < contents.groups[g].rows.size(); ++r) {
            double offset = 0;
            do {
                QVERIFY(at < all.size());
                QCOMPARE(QPair(all[at].group, all[at].row), QPair(g, r));
                QCOMPARE(all[at].offset, offset);
                offset += all[at++].height;
            } while (at < all.size() && all[at].offset > 0);
            QVERIFY2(all[at - 1].offset == 0 || offset > body.height() / 2, "a short item split");
        }
    QCOMPARE(at, all.size());
}

// The words of each page of a PDF as poppler reads them, boxes in millimetres
// from the top left corner of the paper.
using Page = QList<QPair<QString, QRectF>>;

QList<Page> readWords(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), pdf, "-"});
    pdftotext.waitForFinished();
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    QList<Page> pages;
    for (const auto &m : tag.globalMatch(QString::fromUtf8(pdftotext.readAllStandardOutput()))) {
        if (m.captured(0) == u"<page ") {
            pages.emplace_back();
            continue;
        }
        const auto mm = [&](int i) { return m.captured(i).toDouble() * 25.4 / 72; };
        pages.last().append({m.captured(5), QRectF(QPointF(mm(1), mm(2)), QPointF(mm(3), mm(4)))});
    }
    return pages;
}

// Whether text stands centred between left and right (or from left) with its
// top at top, in millimetres of the printable area (margins 15 left, 5 top).
bool standsAt(const Page &page, const QString &text, double left, double right, double top,
              bool centred = true)
{
    return std::any_of(page.begin(), page.end(), [&](const auto &word) {
        const QRectF &box = word.second;
        const double x = centred ? box.center().x() - (left + right) / 2 : box.left() - left;
        return word.first == text && std::abs(x - 15) <= 0.5 &&
               std::abs(box.top() - top - 5) <= 0.5;
    });
}

} // namespace

class SheetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    void pageFlow_data()
    {
        QTest::addColumn<QList<int>>("rowsPerGroup");
        QTest::newRow("empty sheet") << QList<int>{};
        QTest::newRow("groups without rows") << QList<int>{0, 0, 0};
        QTest::newRow("many rows") << QList<int>{50, 50, 50, 50, 50};
        // The second heading lands ever lower on the first page, then past it.
        for (int first = 15; first <= 23; ++first)
            QTest::addRow("heading after %d rows", first) << QList<int>{first, 3, 0, 4};
    }

    void pageFlow()
    {
        QFETCH(QList<int>, rowsPerGroup);
        const SheetContents contents = sheet(rowsPerGroup);
        const SheetReport report(contents);
        QVERIFY(report.pageCount() >= 1);
        checkFlow(report, contents);
    }

    // A row grows to hold all of its text, also a word wider than its column
    // (which Qt's word wrap lets run past the column); a row taller than a
    // page continues on the next pages.
    void longTextsGrow()
    {
        const QString words = QStringLiteral("воздуховод из оцинкованной стали ").repeated(20);
        SheetContents contents = sheet({3, 1});
        contents.groups[0].rows = {row(words), row("Клапан", "ВЕНТИЛЯТОРВРАДУЧЕТЫРЕ"),
                                   row("Кабель", {}, words.repeated(5))};
        const SheetReport report(contents);
        checkFlow(report, contents);
        auto height = heights(report);
        const TextStyle italic{12, false, true};
        QVERIFY((height[{0, 0}] >= PageCanvas::measure(words, 130, italic)));
        QVERIFY((height[{0, 1}] > height[{1, 0}] + PageCanvas::lineHeight(italic) / 2));
        QVERIFY((height[{0, 2}] >= PageCanvas::measure(words.repeated(5), 40, italic)));
    }

    // The customer goes with its prefix unless it starts with a blank; the
    // follow-on block shows the code and section in 14 pt.
    void titleBlockTexts()
    {
        HeaderFields header;
        const auto has = [](const QList<SheetLabel> &labels, const QString &text, double points) {
            return std::any_of(labels.begin(), labels.end(), [&](const SheetLabel &label) {
                return label.text == text && label.block.style.points == points;
            });
        };
        for (const auto &[customer, shown] : QList<QPair<QString, QString>>{
                 {"ООО Ромашка", "Заказчик: ООО Ромашка"}, {" ООО", " ООО"}, {"", "Заказчик: "}}) {
            header[HeaderFields::Customer] = customer;
            QVERIFY2(has(SheetTitleBlock(header, {}, 1).labels(0), shown, 9), qPrintable(shown));
        }
        header[HeaderFields::DocumentCode] = QStringLiteral("12-ОВ");
        header[HeaderFields::Section] = QStringLiteral("ОВ2");
        QVERIFY(has(SheetTitleBlock(header, {}, 12).labels(4), QStringLiteral("12-ОВ ОВ2"), 14));
    }

    // The PDF as poppler reads it back: A3 landscape; on every page the column
    // titles and numbers at their places; the first sheet's block on page 1
    // with the number of sheets, the follow-on block with its sheet number on
    // the others; every position once.
    void pdfPages()
    {
        QTemporaryDir dir;
        SheetContents contents = sheet({30, 20});
        contents.header[HeaderFields::Customer] = QStringLiteral("ООО Ромашка");
        const SheetReport report(contents);
        QCOMPARE(report.pageCount(), 3);
        const QString pdf = dir.filePath(QStringLiteral("лист.pdf"));
        ReportOutput::writePdf(report, pdf);

        QProcess pdfinfo;
        pdfinfo.start(QStringLiteral("pdfinfo"), {pdf});
        pdfinfo.waitForFinished();
        static const QRegularExpression a3(
            QStringLiteral(R"(Page size: +([\d.]+) x ([\d.]+) pts \(A3\))"));
        const auto size = a3.match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
        QVERIFY(size.hasMatch() && size.captured(1).toDouble() > size.captured(2).toDouble());

        const QList<Page> pages = readWords(pdf);
        QCOMPARE(pages.size(), 3);
        const TextStyle bold{12, true};
        const double line =
            PageCanvas::measure("x\nx\nx", 100, bold) - PageCanvas::measure("x\nx", 100, bold);
        const double numbers = 24.9 + (8.5 - PageCanvas::lineHeight({14, true})) / 2;
        const double band = 287 - 60.1;
        for (int p = 0; p < 3; ++p) {
            const Page &page = pages[p];
            QVERIFY(standsAt(page, "Позиция", 0.0, 20.4, 2 * line));
            QVERIFY(standsAt(page, "материала", 207.2, 244.5, 3 * line));
            QVERIFY(standsAt(page, "Примечания", 356.1, 398.5, 2 * line));
            QVERIFY(standsAt(page, "1", 0.0, 20.4, numbers));
            QVERIFY(standsAt(page, "9", 368.3, 385.5, numbers));
            QCOMPARE(standsAt(page, "Листов", 378.1, 391.1, band + 30.7), p == 0);
            QCOMPARE(standsAt(page, "Лист", 385.5, 393.4, band + 46.8), p > 0);
        }
        QVERIFY(standsAt(pages[0], "Заказчик:", 277.8, 351.6, band + 6.3, false));
        QVERIFY(standsAt(pages[0], "1", 361.7, 373.9, band + 37.0));
        QVERIFY(standsAt(pages[0], "3", 378.9, 389.5, band + 37.3));
        QVERIFY(standsAt(pages[2], "3", 386.3, 393.2, band + 53.4));

        QStringList words;
        for (const Page &page : pages)
            for (const auto &word : page)
                words << word.first;
        for (const SheetContents::Group &group : contents.groups)
            for (const Row &r : group.rows)
                QVERIFY2(words.count(r.caption) == 1, qPrintable(r.caption));
    }
};

QTEST_MAIN(SheetTest)
#include "tst_sheet.moc"
