#include "AppError.h"
#include "CodePage1251.h"
#include "Database.h"
#include "Numbers.h"
#include "PositionEditing.h"
#include "Schema.h"
#include "Session.h"
#include "SpecificationFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace SpecificationFile;

namespace {

const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

// What stands at the path before a write that must fail.
enum class Old { Nothing, File, Folder };

QStringList expectedHeaderLines(const HeaderFields &header)
{
    QStringList lines{QStringLiteral("// Заголовок")};
    for (int field = 0; field < HeaderFields::kStoredCount; ++field)
        lines << header.texts[field];
    return lines << QStringLiteral("// Начало базы");
}

QStringList record(const QString &number, const QString &group, const QString &name,
                   const QString &quantity, const QString &comment = {})
{
    return {
        number,  group, name, quantity, QStringLiteral("Шт"), name + QStringLiteral(", подпись"),
        comment, {}};
}

// Two good records after the header: "Первый" and "Второй".
QStringList twoRecords()
{
    return expectedHeaderLines(HeaderFields::defaults()) +
           record(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("Первый"),
                  QStringLiteral("2"), QStringLiteral("примечание")) +
           record(QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("Второй"),
                  QStringLiteral("24.5"), QStringLiteral("см. лист ОВ-3"));
}

QByteArray crlf(const QStringList &lines)
{
    return CodePage1251::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

QByteArray utf16(const QStringList &lines, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding).encode(lines.join(QStringLiteral("\r\n")) +
                                           QStringLiteral("\r\n"));
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// POZ, NG, Name, Caption, KOL, Abb, Comment, Gruppa, Firma.
void insertRow(Session &session, const QVariantList &values)
{
    session.working().exec(QStringLiteral("INSERT INTO data (POZ, NG, Name, Caption, KOL, Abb, "
                                          "Comment, Gruppa, Firma) VALUES (?,?,?,?,?,?,?,?,?)"),
                           values);
}

QList<QVariantList> allRows(Session &session)
{
    QSqlQuery query = session.working().exec(QStringLiteral("SELECT * FROM data ORDER BY RowKey"));
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < query.record().count(); ++column)
            row << query.value(column);
        rows << row;
    }
    return rows;
}

QStringList names(const QList<Position> &positions)
{
    QStringList result;
    for (const Position &position : positions)
        result << position.name;
    return result;
}

} // namespace

// The ".СО" file: its exact bytes, what the reader accepts and refuses, and
// that a refused read or a failed write loses nothing.
class SpecificationFileTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_databases = 0;

    std::unique_ptr<Session> newSession()
    {
        auto session = std::make_unique<Session>();
        const QString path = m_dir.filePath(QStringLiteral("work-%1.mdb").arg(++m_databases));
        TestSupport::makeTemplate(path);
        session->setWorkingDatabasePath(path);
        session->working().open();
        return session;
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    void emptySpecificationIsTheHeaderAlone()
    {
        auto session = newSession();
        HeaderFields header = HeaderFields::defaults();
        header[HeaderFields::Object] = QStringLiteral("Вентиляция.");
        session->document().setHeader(header);
        const QString file = path(QStringLiteral("Пусто.СО"));
        write(*session, file, Rows::All, EmptyQuantity::Zero);
        QCOMPARE(contentsOf(file), crlf(expectedHeaderLines(header)));

        auto other = newSession();
        insertRow(*other, {1, 0, "Старое", "Старое", 1, "Шт", {}, {}, {}});
        QCOMPARE(read(*other, file), 0);
        QVERIFY(allRows(*other).isEmpty());
        QCOMPARE(other->document().header(), header);
    }

    void cyrillicFileIsTheOldFormatByteForByte_data()
    {
        QTest::addColumn<EmptyQuantity>("emptyQuantity");
        QTest::addColumn<QString>("emptyQuantityLine");
        QTest::newRow("save command") << EmptyQuantity::Zero << QStringLiteral("0");
        QTest::newRow("save on leaving") << EmptyQuantity::EmptyLine << QString();
    }

    void cyrillicFileIsTheOldFormatByteForByte()
    {
        QFETCH(EmptyQuantity, emptyQuantity);
        QFETCH(QString, emptyQuantityLine);
        auto session = newSession();
        HeaderFields header = HeaderFields::defaults();
        header[HeaderFields::Surname6] = QStringLiteral("Ёлкин");
        session->document().setHeader(header);
        insertRow(*session, {1, 5, "Возд-Кр-100", "Воздуховод d=100", 2.5, "мп", {}, {}, {}});
        insertRow(*session, {2, 999, "Узел", "Узел учёта", {}, "Шт", "см. лист ОВ-3", {}, {}});
        insertRow(*session, {3, 12, "Хом-В-100", "Хомут", 0.1 + 0.2, "Шт", {}, {}, {}});
        const QString file = path(QStringLiteral("Точно.СО"));
        write(*session, file, Rows::All, emptyQuantity);

        const QStringList expected =
            expectedHeaderLines(header) +
            QStringList{"1", "5", "Возд-Кр-100", "2.5", "мп", "Воздуховод d=100", "", ""} +
            QStringList{"2",  "999",        "Узел",          emptyQuantityLine,
                        "Шт", "Узел учёта", "см. лист ОВ-3", ""} +
            QStringList{"3", "12", "Хом-В-100", "0.3", "Шт", "Хомут", "", ""};
        QCOMPARE(contentsOf(file), crlf(expected));

        const Contents contents = parse(contentsOf(file), file);
        QCOMPARE(contents.positions.size(), 3);
        QCOMPARE(contents.positions[0].quantity, std::optional(2.5));
        QCOMPARE(contents.positions[1].quantity, std::optional(0.0));
    }

    void numberLines_data()
    {
        QTest::addColumn<QStringList>("lines"); // number, group, quantity
        QTest::addColumn<qint64>("number");
        QTest::addColumn<qint64>("group");
        QTest::addColumn<double>("quantity");
        QTest::newRow("point") << QStringList{"3", "5", "2.5"} << 3LL << 5LL << 2.5;
        QTest::newRow("comma") << QStringList{"3", "5", "2,5"} << 3LL << 5LL << 2.5;
        QTest::newRow("blanks around") << QStringList{" 12 ", "\t7", " 4 "} << 12LL << 7LL << 4.0;
        QTest::newRow("empty lines") << QStringList{"", "", ""} << 0LL << 0LL << 0.0;
        QTest::newRow("undefined group") << QStringList{"40", "999", "1e3"} << 40LL << 999LL << 1e3;
    }

    void numberLines()
    {
        QFETCH(QStringList, lines);
        QFETCH(qint64, number);
        QFETCH(qint64, group);
        QFETCH(double, quantity);
        const QString file = path(QStringLiteral("Числа.СО"));
        put(file, crlf(expectedHeaderLines(HeaderFields::defaults()) +
                       record(lines[0], lines[1], QStringLiteral("Блок"), lines[2])));
        auto session = newSession();
        QCOMPARE(read(*session, file), 1);
        QSqlQuery query = session->working().exec(
            QStringLiteral("SELECT POZ, NG, KOL, Name, Caption, Cost, M, TYP, COD, Firma, Gruppa "
                           "FROM data"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toLongLong(), number);
        QCOMPARE(query.value(1).toLongLong(), group);
        QCOMPARE(query.value(2).toDouble(), quantity);
        // The description is the file's own until the catalogue is
        // consulted, and nothing else is invented.
        QCOMPARE(query.value(3).toString(), QStringLiteral("Блок"));
        QCOMPARE(query.value(4).toString(), QStringLiteral("Блок, подпись"));
        for (int column = 5; column < 11; ++column)
            QVERIFY(query.value(column).isNull());
    }

    // A good outside the catalogue whose file gives no description is
    // described by its block name on every document; a given one is kept.
    void missingDescriptionIsTheBlockName()
    {
        QStringList lines = expectedHeaderLines(HeaderFields::defaults());
        lines += record("1", "0", QStringLiteral("Заглушка ЗГ-100"), "2");
        lines += record("2", "0", QStringLiteral("Муфта"), "1");
        lines[22 + 5] = QString();
        lines[22 + 8 + 5] = QStringLiteral("  ");
        lines += record("3", "0", QStringLiteral("Хомут"), "1");
        const QString file = path(QStringLiteral("Без описаний.СО"));
        put(file, crlf(lines));
        auto session = newSession();
        QCOMPARE(read(*session, file), 3);
        QStringList captions;
        for (const Position &position : session->document().positions().read())
            captions << position.caption;
        QCOMPARE(captions, (QStringList{QStringLiteral("Заглушка ЗГ-100"), QStringLiteral("Муфта"),
                                        QStringLiteral("Хомут, подпись")}));
    }

    void lineEndsAndIncompleteRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");
        const QStringList lines = twoRecords();
        const QStringList both{QStringLiteral("Первый"), QStringLiteral("Второй")};
        const auto joined = [&](const QStringList &list, const QString &end) {
            return CodePage1251::encode(list.join(end) + end);
        };
        QTest::newRow("CR LF") << crlf(lines) << both;
        QTest::newRow("lone LF") << joined(lines, "\n") << both;
        QTest::newRow("lone CR") << joined(lines, "\r") << both;
        QString mixed;
        for (int i = 0; i < lines.size(); ++i)
            mixed += lines[i] + QStringList{"\r\n", "\n", "\r"}[i % 3];
        QTest::newRow("mixed") << CodePage1251::encode(mixed) << both;
        // Editors that strip blank lines at the end of a file leave the last
        // record without its closing line; it is read whole.
        QTest::newRow("last record without its empty line")
            << crlf(lines.first(lines.size() - 1)) << both;
        QTest::newRow("without its empty line and its end of line")
            << CodePage1251::encode(lines.first(lines.size() - 1).join(QStringLiteral("\r\n")))
            << both;
        QTest::newRow("blank lines after the last record")
            << crlf(lines + QStringList{"", " ", ""}) << both;
        QTest::newRow("UTF-8 with LF") << kUtf8Mark + (lines.join(u'\n') + u'\n').toUtf8() << both;
        QTest::newRow("UTF-8 without a mark") << (lines.join(u'\n') + u'\n').toUtf8() << both;
        QStringList damaged = lines;
        damaged[0] = QStringLiteral("// Заголовк");
        QTest::newRow("one marker damaged") << crlf(damaged) << both;
        QStringList blanks = lines;
        blanks[0] += QStringLiteral("  ");
        blanks[21] += QStringLiteral(" \t");
        QTest::newRow("blanks after the markers") << crlf(blanks) << both;
    }

    void lineEndsAndIncompleteRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, names);
        const QString file = path(QStringLiteral("Концы строк.СО"));
        put(file, bytes);
        auto session = newSession();
        QCOMPARE(read(*session, file), names.size());
        QSqlQuery query =
            session->working().exec(QStringLiteral("SELECT Name FROM data ORDER BY RowKey"));
        QStringList found;
        while (query.next())
            found << query.value(0).toString();
        QCOMPARE(found, names);
        QCOMPARE(session->document().header(), HeaderFields::defaults());
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("customer");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("apostrophes and quotes") << "Клапан \"КВР\" 400x200"
                                                << "Пена 'зимняя'"
                                                << "шт'"
                                                << "см. 'лист' \"ОВ-3\""
                                                << "ООО \"Дом\" и 'Ко'" << false;
        QTest::newRow("name outside the code page") << "Манометр Ø63"
                                                    << "Манометр"
                                                    << "м²"
                                                    << "t ≤ 95 °С"
                                                    << "Заказчик" << true;
        QTest::newRow("caption outside the code page") << "ВК-100"
                                                       << "L=250 м³/ч"
                                                       << "Шт"
                                                       << ""
                                                       << "Заказчик" << true;
        QTest::newRow("header outside the code page") << "ВК-100"
                                                      << "Вентилятор"
                                                      << "Шт"
                                                      << ""
                                                      << "Ø Проект ≤ 2" << true;
    }

    void valuesRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, unit);
        QFETCH(QString, comment);
        QFETCH(QString, customer);
        QFETCH(bool, utf8);
        auto session = newSession();
        HeaderFields header = HeaderFields::defaults();
        header[HeaderFields::Customer] = customer;
        session->document().setHeader(header);
        insertRow(*session, {7, 3, name, caption, 1.5, unit, comment, {}, {}});
        const QString file = path(QStringLiteral("Туда и обратно.СО"));
        write(*session, file, Rows::All, EmptyQuantity::Zero);

        const QByteArray bytes = contentsOf(file);
        QCOMPARE(bytes.startsWith(kUtf8Mark), utf8);
        const QString text = utf8 ? QString::fromUtf8(bytes.mid(3)) : CodePage1251::decode(bytes);
        QVERIFY(text.contains(QStringLiteral("\r\n") + caption + QStringLiteral("\r\n")));

        auto other = newSession();
        QCOMPARE(read(*other, file), 1);
        QCOMPARE(other->document().header()[HeaderFields::Customer], customer);
        QSqlQuery query =
            other->working().exec(QStringLiteral("SELECT Name, Caption, Abb, Comment FROM data"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), name);
        QCOMPARE(query.value(1).toString(), caption);
        QCOMPARE(query.value(2).toString(), unit);
        // Written again, the file is the same to the byte: a description of
        // a good outside the catalogue is never lost.
        const QString again = path(QStringLiteral("Снова.СО"));
        write(*other, again, Rows::All, EmptyQuantity::Zero);
        QCOMPARE(contentsOf(again), contentsOf(file));
        QCOMPARE(query.value(3).toString(), comment);
    }

    void refusedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason"); // where the line alone does not tell
        const QStringList lines = twoRecords();
        const auto with = [&](int line, const QString &text) {
            QStringList changed = lines;
            changed[line - 1] = text;
            return crlf(changed);
        };
        QTest::newRow("empty file") << QByteArray() << 1 << QString();
        QTest::newRow("header cut short") << crlf(lines.first(21)) << 22 << QString();
        QTest::newRow("number a word") << with(31, "2а") << 31 << QString();
        QTest::newRow("number not whole") << with(23, "1.5") << 23 << QString();
        QTest::newRow("group a word") << with(24, "пять") << 24 << QString();
        QTest::newRow("quantity a word") << with(34, "два") << 34 << "не является числом";
        QTest::newRow("quantity with two commas") << with(26, "2,5,1") << 26 << QString();
        // What the documents' boxes print of a quantity is its limit.
        QTest::newRow("quantity of a milliard") << with(26, "1e9") << 26 << "слишком велико";
        QTest::newRow("quantity of sixteen digits")
            << with(34, "0,1234567890123456") << 34 << "значащих цифр";
        // A record cut short by more than its closing line, or a value whose
        // line break shifted every later line, is no record to guess at.
        QTest::newRow("last record cut short")
            << crlf(lines + QStringList{"3", "0", "Третий"}) << 39 << "обрывается";
        QStringList shifted = lines;
        shifted.insert(27, QStringLiteral("вторая строка описания"));
        QTest::newRow("closing line not empty") << crlf(shifted) << 30 << "пустой строкой";
        // The largest real number as fifteen digits write it.
        QTest::newRow("quantity past real numbers")
            << with(34, "1.79769313486232e+308") << 34 << "вне допустимого диапазона";
        QTest::newRow("quantity whose fifteen digits are past real numbers")
            << with(26, "1.7976931348623157e308") << 26 << "вне допустимого диапазона";

        QByteArray marked = kUtf8Mark;
        for (int i = 0; i < lines.size(); ++i)
            marked += (i == 32 ? CodePage1251::encode(lines[i]) : lines[i].toUtf8()) + '\n';
        QTest::newRow("marked UTF-8 with a line in code page 1251") << marked << 33 << "UTF-8";
        QTest::newRow("UTF-16 with a mark") << "\xFF\xFE" + utf16(lines, QStringConverter::Utf16LE)
                                            << 1 << "файл в кодировке UTF-16";
        QTest::newRow("UTF-16 without a mark")
            << utf16(lines, QStringConverter::Utf16BE) << 1 << "файл в кодировке UTF-16";
        QStringList accounts;
        for (int i = 0; i < 25; ++i)
            accounts << QStringLiteral("user%1:x:%1:%1::/home/user%1:/bin/sh").arg(1000 + i);
        QTest::newRow("other text") << crlf(accounts) << 1 << "не файл спецификации";
    }

    void refusedFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        auto session = newSession();
        HeaderFields header = HeaderFields::defaults();
        header[HeaderFields::Customer] = QStringLiteral("Прежний заказчик");
        header[HeaderFields::Stage] = QStringLiteral("П");
        session->document().setHeader(header);
        insertRow(*session, {1, 0, "Прежний", "Прежний", 3, "Шт", "прим.", "Трубы", {}});
        const QList<QVariantList> before = allRows(*session);

        const QString file = path(QStringLiteral("Испорчен.СО"));
        put(file, bytes);
        try {
            read(*session, file);
            QFAIL("a bad file was read");
        } catch (const AppError &error) {
            QCOMPARE(error.file(), file);
            QCOMPARE(error.line(), line);
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
        }
        QCOMPARE(allRows(*session), before);
        QCOMPARE(session->document().header(), header);
        QVERIFY(!session->document().isModified());
    }

    // A number typed into a cell is one that a saved file holds and gives
    // back; one it could not is refused, saying why.
    void typedNumbersAreThoseTheFileHolds_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason"); // empty: accepted
        QTest::newRow("largest the documents print") << "KOL"
                                                     << "-999999999,999999" << QString();
        QTest::newRow("a milliard") << "KOL"
                                    << "1000000000"
                                    << "слишком велико";
        QTest::newRow("sixteen significant digits") << "KOL"
                                                    << "1,000000000000001"
                                                    << "значащих цифр";
        QTest::newRow("largest in fifteen digits") << "KOL"
                                                   << "1,79769313486231e308"
                                                   << "слишком велико";
        QTest::newRow("largest real number") << "KOL"
                                             << "1,7976931348623157e308"
                                             << "вне допустимого диапазона";
        QTest::newRow("past real numbers") << "KOL"
                                           << "-1e309"
                                           << "вне допустимого диапазона";
        QTest::newRow("word") << "KOL"
                              << "два"
                              << "не является числом";
        QTest::newRow("position number past whole numbers") << "POZ"
                                                            << "1e19"
                                                            << "вне допустимого диапазона";
    }

    void typedNumbersAreThoseTheFileHolds()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        auto session = newSession();
        insertRow(*session, {1, 0, "Блок", "Блок", 1, "Шт", {}, {}, {}});
        const PositionsTable::Field field =
            PositionsTable::Field(Schema::kDataColumns.indexOf(column));
        const qint64 key = session->document().positions().read().first().key;
        QString refusal;
        try {
            PositionEditing::editCell(session->document(), key, field, typed);
        } catch (const AppError &error) {
            refusal = error.message();
        }
        const QString file = path(QStringLiteral("Набрано.СО"));
        write(*session, file, Rows::All, EmptyQuantity::Zero);
        auto other = newSession();
        QCOMPARE(read(*other, file), 1);
        const double stored =
            other->working().scalar(QStringLiteral("SELECT %1 FROM data").arg(column)).toDouble();
        if (reason.isEmpty()) {
            QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
            QCOMPARE(stored, *Numbers::parse(typed));
        } else {
            QVERIFY2(refusal.contains(reason), qPrintable(refusal));
            QCOMPARE(stored, 1.0);
        }
    }

    // U+FEFF at the start of a value is text, not a byte-order mark, on every
    // way between the file, the database and the grid.
    void leadingByteOrderMarkIsText()
    {
        const QString name = QStringLiteral("\uFEFFАБВ");
        auto session = newSession();
        insertRow(*session, {1, 0, name, name, 1, "Шт", {}, {}, {}});
        const QString file = path(QStringLiteral("Метка.СО"));
        write(*session, file, Rows::All, EmptyQuantity::Zero);
        auto other = newSession();
        QCOMPARE(read(*other, file), 1);
        QCOMPARE(other->working()
                     .scalar(QStringLiteral("SELECT Name FROM data WHERE Name = ?"), {name})
                     .toString(),
                 name);

        PositionsTable &positions = other->document().positions();
        QCOMPARE(positions.read().first().name, name);
        const QString edited = QStringLiteral("\uFEFFГДЕ");
        PositionEditing::editCell(other->document(), positions.read().first().key,
                                  PositionsTable::Name, edited);
        QCOMPARE(positions.read().first().name, edited);
    }

    void readKeepsTheStageAndReportsProgress()
    {
        QStringList lines = expectedHeaderLines(HeaderFields::defaults());
        for (int i = 1; i <= 130; ++i)
            lines += record(QString::number(i), "1", QStringLiteral("Блок %1").arg(i), "1");
        const QString file = path(QStringLiteral("Много.СО"));
        put(file, crlf(lines));
        auto session = newSession();
        HeaderFields header;
        header[HeaderFields::Stage] = QStringLiteral("РП");
        session->document().setHeader(header);
        QSignalSpy progress(session.get(), &Session::progress);

        QCOMPARE(read(*session, file), 130);
        HeaderFields expected = HeaderFields::defaults();
        expected[HeaderFields::Stage] = QStringLiteral("РП");
        QCOMPARE(session->document().header(), expected);
        QVERIFY(!session->document().isModified());
        // One step per position, then back to 0.
        QCOMPARE(progress.size(), 131);
        QCOMPARE(progress.at(progress.size() - 2), (QVariantList{130, 130}));
        QCOMPARE(progress.last(), (QVariantList{0, 130}));
    }

    void writesTheRowsChosen_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<PositionFilter>("filter");
        QTest::addColumn<QStringList>("names");
        using Kind = PositionFilter::Kind;
        const QStringList all{"Вент-А", "Возд-А", "Возд-Б", "Самодел"};
        QTest::newRow("all rows whatever the filter")
            << Rows::All << PositionFilter{Kind::Group, "Трубы"} << all;
        QTest::newRow("shown without a filter") << Rows::Shown << PositionFilter{} << all;
        QTest::newRow("group in other letter case")
            << Rows::Shown << PositionFilter{Kind::Group, "ВОЗДУХОВОДЫ"}
            << QStringList{"Возд-А", "Возд-Б"};
        QTest::newRow("undefined group")
            << Rows::Shown << PositionFilter{Kind::UndefinedGroup, {}} << QStringList{"Самодел"};
        QTest::newRow("maker with an apostrophe")
            << Rows::Shown << PositionFilter{Kind::Maker, "ООО 'Вент'"}
            << QStringList{"Вент-А", "Возд-Б"};
    }

    void writesTheRowsChosen()
    {
        QFETCH(Rows, rows);
        QFETCH(PositionFilter, filter);
        QFETCH(QStringList, names);
        auto session = newSession();
        // Equal numbers keep the order in which the rows were made.
        insertRow(*session, {2, 5, "Возд-Б", {}, 1, {}, {}, "Воздуховоды", "ООО 'Вент'"});
        insertRow(*session, {1, 0, "Вент-А", {}, 1, {}, {}, "Вентиляторы", "ООО 'Вент'"});
        insertRow(*session, {1, 5, "Возд-А", {}, 1, {}, {}, "Воздуховоды", "Завод"});
        insertRow(*session, {3, 999, "Самодел", {}, 1, {}, {}, {}, {}});
        session->setViewFilter(filter);
        const QString file = path(QStringLiteral("Группа.СО"));
        write(*session, file, rows, EmptyQuantity::Zero);
        QCOMPARE(::names(parse(contentsOf(file), file).positions), names);
    }

    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Old>("old");
        QTest::newRow("missing folder") << QStringLiteral("Нет папки/Дом.СО") << Old::Nothing;
        QTest::newRow("folder in the file's place") << QStringLiteral("Папка.СО") << Old::Folder;
#ifndef Q_OS_WIN
        // The safe copy beside the file needs a longer name than the system
        // allows (255 bytes; Windows counts characters).
        QTest::newRow("name too long for a safe copy") << QString(124, u'д') + ".СО" << Old::File;
#endif
    }

    void failedWriteKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(Old, old);
        const QTemporaryDir folder(path(QStringLiteral("запись-XXXXXX")));
        const QString parent = folder.path();
        const QString file = parent + u'/' + target;
        const QString inner = file + QStringLiteral("/внутри.txt");
        if (old == Old::Folder) {
            QVERIFY(QDir().mkpath(file));
            put(inner, "старое");
        } else if (old == Old::File) {
            put(file, "старое");
        }
        const QStringList entriesBefore = QDir(parent).entryList(QDir::AllEntries | QDir::Hidden);

        auto session = newSession();
        insertRow(*session, {1, 0, "Новое", "Новое", 1, "Шт", {}, {}, {}});
        try {
            write(*session, file, Rows::All, EmptyQuantity::Zero);
            QFAIL("the write did not fail");
        } catch (const AppError &error) {
            QCOMPARE(error.file(), file);
        }
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::Hidden), entriesBefore);
        if (old == Old::Folder)
            QCOMPARE(contentsOf(inner), QByteArray("старое"));
        else if (old == Old::File)
            QCOMPARE(contentsOf(file), QByteArray("старое"));
        else
            QVERIFY(!QFileInfo::exists(file));
    }

    // The sample shipped in resources/ must be a file the old program could
    // read: code page 1251, CR LF, whole records, names from the catalogue.
    void sampleFollowsTheFormat()
    {
        const QString sample = QStringLiteral(KV_SOURCE_DIR "/resources/Пример.СО");
        const QByteArray bytes = contentsOf(sample);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(!bytes.startsWith(kUtf8Mark));
        QCOMPARE(CodePage1251::encode(CodePage1251::decode(bytes)), bytes);
        QVERIFY(bytes.endsWith("\r\n"));
        QStringList lines = CodePage1251::decode(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();
        for (const QString &line : std::as_const(lines))
            QVERIFY2(!line.contains(u'\r') && !line.contains(u'\n'), qPrintable(line));

        QVERIFY(lines.size() >= 22 + 8 * 30);
        QCOMPARE((lines.size() - 22) % 8, 0);
        QCOMPARE(lines[0], QStringLiteral("// Заголовок"));
        QCOMPARE(lines[21], QStringLiteral("// Начало базы"));
        for (int field = 0; field < HeaderFields::kStoredCount; ++field)
            QVERIFY(lines[1 + field].size() <= HeaderFields::maxLength(HeaderFields::Field(field)));

        QSet<QString> catalogue;
        const QStringList goods =
            QString::fromUtf8(contentsOf(QStringLiteral(KV_SOURCE_DIR "/resources/catalogue.tsv")))
                .split(u'\n');
        for (qsizetype i = 1; i < goods.size(); ++i)
            catalogue.insert(goods[i].section(u'\t', 0, 0));

        int foreign = 0;
        for (qsizetype first = 22; first < lines.size(); first += 8) {
            const QString where = QStringLiteral("record at line %1").arg(first + 1);
            bool ok = false;
            lines[first].toLongLong(&ok);
            QVERIFY2(ok, qPrintable(where));
            lines[first + 1].toLongLong(&ok);
            QVERIFY2(ok, qPrintable(where));
            QVERIFY2(Numbers::parse(lines[first + 3]), qPrintable(where));
            QVERIFY2(lines[first + 7].isEmpty(), qPrintable(where));
            if (!catalogue.contains(lines[first + 2]))
                ++foreign;
        }
        QCOMPARE(foreign, 2);
    }
};

QTEST_GUILESS_MAIN(SpecificationFileTest)
#include "tst_specificationfile.moc"
