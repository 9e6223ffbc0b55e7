#include "PageCanvas.h"
#include "Reports.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "TestSupport.h"
#include "Workbook.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

using Row = SheetContents::Row;

// Each row of the workbook as a spreadsheet reads it: its height and, for
// columns A to I, the cell's type, value, number format, wrapping and
// whether thin rules surround it; and the widths of the columns.
const char *const kReader = R"(
import sys, json, openpyxl
s = openpyxl.load_workbook(sys.argv[1]).active
rows = []
for r in range(1, s.max_row + 1):
    cells = []
    for c in range(1, 10):
        x = s.cell(r, c)
        b = x.border
        cells.append({'type': x.data_type, 'value': None if x.value is None else str(x.value),
                      'format': x.number_format, 'wrap': bool(x.alignment.wrap_text),
                      'ruled': all(getattr(b, side).style == 'thin'
                                   for side in ('left', 'right', 'top', 'bottom'))})
    rows.append({'height': s.row_dimensions[r].height, 'cells': cells})
widths = [s.column_dimensions[openpyxl.utils.get_column_letter(c)].width for c in range(1, 10)]
print(json.dumps({'rows': rows, 'widths': widths}))
)";

QJsonObject readBack(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), kReader, path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qFatal("openpyxl: %s", reader.readAllStandardError().constData());
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

QString *field(Row &row, int column)
{
    QString *fields[] = {&row.number, &row.caption,  &row.type, &row.code,   &row.maker,
                         &row.unit,   &row.quantity, &row.mass, &row.comment};
    return fields[column];
}

// One position per case, the case's text in its column, under one heading
// on row 7: case i lies on row 8 + i.
struct TypeCase {
    const char *name;
    int column; // 0 for A
    const char *text;
    const char *type; // "n" or "s"
    const char *value;
    const char *format;
};
const TypeCase kTypeCases[] = {
    {"position number", 0, "12", "n", "12", "0"},
    {"quantity with a comma", 6, "2,5", "n", "2.5", "0.0"},
    {"quantity with a trailing zero", 6, "1,50", "n", "1.5", "0.0"},
    {"mass with a point", 7, "7.78", "n", "7.78", "0.00"},
    {"small mass", 7, "0,0001", "n", "0.0001", "0.0000"},
    {"mass typed by hand", 7, "~5", "s", "~5", "General"},
    {"mass of more digits than a number keeps", 7, "1234567890,1234567", "s", "1234567890,1234567",
     "General"},
    {"code with leading zeros", 3, "0012", "s", "0012", "General"},
    {"code like a decimal", 3, "1,50", "s", "1,50", "General"},
    {"code of digits", 3, "2205100", "s", "2205100", "General"},
    {"article number", 3, "1234567890123456789", "s", "1234567890123456789", "General"},
    {"maker like a number", 4, "2,5", "s", "2,5", "General"},
    {"remark with a leading zero", 8, "007", "s", "007", "General"},
};

const QString kLongWords = QStringLiteral(
    "Воздуховод прямоугольный из оцинкованной стали толщиной 0,7 мм с фланцевыми соединениями "
    "на уголках, уплотнением из пористой резины и креплением к перекрытию на шпильках М8 ");

} // namespace

class WorkbookTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QJsonObject m_types, m_look;
    QString m_template;

    QString write(const SheetContents &contents, const QString &name)
    {
        const QString path = m_dir.filePath(name);
        Workbook::write(contents, QDate(2026, 12, 9), path);
        return path;
    }

    static QJsonObject cell(const QJsonObject &book, int row, int column)
    {
        return book[QStringLiteral("rows")][row - 1][QStringLiteral("cells")][column].toObject();
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        SheetContents types;
        types.groups.append({QStringLiteral("Типы"), {}});
        for (const TypeCase &c : kTypeCases) {
            Row row;
            *field(row, c.column) = QString::fromUtf8(c.text);
            types.groups[0].rows.append(row);
        }
        m_types = readBack(write(types, QStringLiteral("типы.xlsx")));

        SheetContents look;
        look.groups.append({QStringLiteral("Группа ") + kLongWords, {}});
        QList<Row> &rows = look.groups[0].rows;
        rows.append(
            {"1", kLongWords.repeated(3), "ВКП-600x300", "КЛ-1", "Завод", "мп", "2,5", "7,78", ""});
        rows.append({"2", "Отвод", "", "12345678901234567890123456789", "", "шт", "1", "", ""});
        rows.append({"3", "Клапан", "Тип " + kLongWords, "", "", "шт", "1", "", ""});
        rows.append({"4", "Решётка", "", "", "Завод-изготовитель " + kLongWords, "шт", "1", "",
                     "Примечание " + kLongWords});
        rows.append({"5", "Шумоглушитель", "", "", "", "шт", "1", "~5", ""});
        m_look = readBack(write(look, QStringLiteral("форма.xlsx")));

        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
    }

    // The column decides what a cell is: numbers in the position, quantity
    // and mass columns, shown with the decimals they have; texts elsewhere
    // with every digit kept.
    void columnDecidesTheCellType_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kTypeCases)); ++i)
            QTest::newRow(kTypeCases[i].name) << i;
    }

    void columnDecidesTheCellType()
    {
        QFETCH(int, index);
        const TypeCase &c = kTypeCases[index];
        const QJsonObject read = cell(m_types, Workbook::kFirstHeadingRow + 1 + index, c.column);
        QCOMPARE(read[QStringLiteral("type")].toString(), QString::fromUtf8(c.type));
        QCOMPARE(read[QStringLiteral("value")].toString(), QString::fromUtf8(c.value));
        QCOMPARE(read[QStringLiteral("format")].toString(), QString::fromUtf8(c.format));
    }

    // The workbook prints as the form: every cell of the table ruled, the
    // texts wrapped, and each row at least as tall as the lines its longest
    // text needs in its column's width.
    void formShowsTheWholeText_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("bold");
        QTest::newRow("column titles") << 4 << 2 << true;
        QTest::newRow("column numbers") << 6 << 0 << true;
        QTest::newRow("group heading") << 7 << 1 << true;
        QTest::newRow("long description") << 8 << 1 << false;
        QTest::newRow("long article number") << 9 << 3 << false;
        QTest::newRow("long type") << 10 << 2 << false;
        QTest::newRow("long maker") << 11 << 4 << false;
        QTest::newRow("long remark") << 11 << 8 << false;
        QTest::newRow("mass typed by hand") << 12 << 7 << false;
    }

    void formShowsTheWholeText()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, bold);
        for (int c = 0; c < 9; ++c)
            QVERIFY2(cell(m_look, row, c)[QStringLiteral("ruled")].toBool(),
                     qPrintable(QString::number(c)));
        const QJsonObject read = cell(m_look, row, column);
        QVERIFY(read[QStringLiteral("wrap")].toBool());

        // Columns are 7 pixels of 96 dpi a unit wide; the text's lines there
        // at the least, as no program breaks a line before it is full.
        const TextStyle style{10, bold};
        const double columnPoints =
            m_look[QStringLiteral("widths")][column].toDouble() * 7 * 72 / 96;
        const QString text = read[QStringLiteral("value")].toString();
        const double textPoints = PageCanvas::width(text, style) * 72 / 25.4;
        const int lines = int(std::ceil(textPoints / columnPoints));
        const double linePoints = PageCanvas::lineHeight(style) * 72 / 25.4;
        double height =
            m_look[QStringLiteral("rows")][row - 1][QStringLiteral("height")].toDouble();
        if (row == 4) // the titles take rows 4 and 5
            height += m_look[QStringLiteral("rows")][row][QStringLiteral("height")].toDouble();
        QVERIFY2(height >= lines * linePoints,
                 qPrintable(QStringLiteral("%1 pt for %2 lines").arg(height).arg(lines)));
    }

    // "Экспорт в Excel": the dialog proposes the name beside the
    // specification, an existing file is replaced only after a Yes, the file
    // is opened, and a notice names it when nothing opens it. Paths are
    // relative to a folder of the case's own; the first answer exists when
    // there is a question; "чертежи" is the folder for a new specification.
    void exportAsksWhereAndOpens_data()
    {
        QTest::addColumn<QString>("specification");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QList<bool>>("confirmations");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("proposal");
        QTest::addColumn<QString>("written");

        const QString book = QStringLiteral("ОВ-1.xlsx");
        const QString readOnly = "А.СО" + SpecificationCommands::kReadOnlySuffix;
        const QString fresh = QStringLiteral("чертежи/Новая спецификация.xlsx");
        QTest::newRow("beside the specification")
            << "ОВ-1.СО" << QStringList{book} << QList<bool>{} << true << book << book;
        QTest::newRow("read-only specification")
            << readOnly << QStringList{"А.xlsx"} << QList<bool>{} << true << "А.xlsx"
            << "А.xlsx";
        QTest::newRow("new specification")
            << SpecificationCommands::kNewSpecificationName << QStringList{fresh} << QList<bool>{}
            << true << fresh << fresh;
        QTest::newRow("cancelled")
            << "ОВ-1.СО" << QStringList{} << QList<bool>{} << true << book << "";
        QTest::newRow("existing kept after No")
            << "ОВ-1.СО" << QStringList{book} << QList<bool>{false} << true << book << "";
        QTest::newRow("existing replaced after Yes")
            << "ОВ-1.СО" << QStringList{book} << QList<bool>{true} << true << book << book;
        QTest::newRow("no program for .xlsx")
            << "ОВ-1.СО" << QStringList{book} << QList<bool>{} << false << book << book;
    }

    void exportAsksWhereAndOpens()
    {
        QFETCH(QString, specification);
        QFETCH(QStringList, answers);
        QFETCH(QList<bool>, confirmations);
        QFETCH(bool, opens);
        QFETCH(QString, proposal);
        QFETCH(QString, written);

        QTemporaryDir folder;
        const QDir here(folder.path());
        QVERIFY(here.mkdir(QStringLiteral("чертежи")));
        const auto at = [&](const QString &name) { return here.filePath(name); };
        Session session;
        TestSupport::openFreshWorkingDatabase(session, folder.path(), m_template);
        session.document().setName(at(specification));
        const QString file = QString(specification).remove(SpecificationCommands::kReadOnlySuffix);
        if (file.endsWith(QStringLiteral(".СО")))
            QFile(at(file)).open(QIODevice::WriteOnly);
        const QByteArray old("старая книга");
        if (!confirmations.isEmpty()) {
            QFile existing(at(answers.first()));
            QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(old) == old.size());
        }
        ScriptedPrompts prompts;
        for (const QString &answer : answers)
            prompts.saveAnswers << at(answer);
        prompts.answers = confirmations;
        QStringList opened;

        const QString result = Reports::exportWorkbook(
            session, prompts, QDate(2026, 12, 9), [&] { return at(QStringLiteral("чертежи")); },
            [&](const QString &path) {
                opened << path;
                return opens;
            });

        const QString target = written.isEmpty() ? QString() : at(written);
        QCOMPARE(prompts.proposedPaths.value(0), at(proposal));
        QCOMPARE(prompts.questions.size(), int(confirmations.size()));
        QCOMPARE(result, target);
        QCOMPARE(opened, target.isEmpty() ? QStringList() : QStringList{target});
        QFile book(at(answers.value(0, proposal)));
        const QByteArray bytes = book.open(QIODevice::ReadOnly) ? book.readAll() : QByteArray();
        if (target.isEmpty())
            QCOMPARE(bytes, confirmations.isEmpty() ? QByteArray() : old);
        else
            QVERIFY(bytes.startsWith("PK"));
        const bool noticed = !target.isEmpty() && !opens;
        QCOMPARE(prompts.notices.size(), noticed ? 1 : 0);
        if (noticed)
            QVERIFY2(prompts.notices.first().contains(target), qPrintable(prompts.notices.first()));
    }
};

QTEST_MAIN(WorkbookTest)
#include "tst_workbook.moc"
