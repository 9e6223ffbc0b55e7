#include "AppError.h"
#include "Database.h"
#include "Schema.h"
#include "SqliteCatalogue.h"
#include "SqliteErrors.h"
#include "Statement.h"
#include "TestSupport.h"
#include "TextFolding.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <sqlite3.h>

// The data layer's promises about databases: files are never created where
// they are missing, user text never breaks a statement, and letter case is
// ignored for Cyrillic exactly as for Latin.
class DatabaseTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_counter = 0;

    QString freshTemplate()
    {
        const QString path = m_dir.filePath(QStringLiteral("w%1.mdb").arg(++m_counter));
        TestSupport::makeTemplate(path);
        return path;
    }

    // A catalogue as the earlier version of the program wrote it: no key
    // columns, and indexes on Name and Gruppa that it ordered by its own case
    // folding, which it registered under SQLite's name NOCASE.
    static void writeEarlierCatalogue(const QString &path, const QStringList &names)
    {
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                 SQLITE_OK);
        sqlite3_create_collation(
            db, "NOCASE", SQLITE_UTF8, nullptr,
            [](void *, int leftLength, const void *left, int rightLength, const void *right) {
                const QString a = TextFolding::folded(
                    QString::fromUtf8(static_cast<const char *>(left), leftLength));
                const QString b = TextFolding::folded(
                    QString::fromUtf8(static_cast<const char *>(right), rightLength));
                return a < b ? -1 : b < a ? 1 : 0;
            });
        QString sql = QStringLiteral(
            "CREATE TABLE dorvik_data (Name TEXT COLLATE NOCASE, Caption TEXT COLLATE NOCASE, "
            "Abb TEXT COLLATE NOCASE, Cost REAL, M TEXT COLLATE NOCASE, TYP TEXT COLLATE NOCASE, "
            "COD TEXT COLLATE NOCASE, Firma TEXT COLLATE NOCASE, Gruppa TEXT COLLATE NOCASE, "
            "RowKey INTEGER PRIMARY KEY AUTOINCREMENT);"
            "CREATE INDEX dorvik_data_Name ON dorvik_data (Name);"
            "CREATE INDEX dorvik_data_Gruppa ON dorvik_data (Gruppa);"
            "CREATE TABLE dorvik_gruppa (name_gruppa TEXT COLLATE NOCASE, Numb INTEGER);");
        for (const QString &name : names)
            sql += QStringLiteral("INSERT INTO dorvik_data (Name, Caption, Gruppa) "
                                  "VALUES ('%1', '%1', '%1');")
                       .arg(name);
        QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    // A catalogue as the version before this one wrote it: keys of name,
    // group and description, filled by the program through a function of
    // its own, and triggers that empty them for every row added.
    static void writeKeyedCatalogue(const QString &path, const QStringList &names)
    {
        QString sql = QStringLiteral(
            "PRAGMA page_size = 16384;"
            "CREATE TABLE dorvik_data (Name TEXT COLLATE NOCASE, Caption TEXT COLLATE NOCASE, "
            "Abb TEXT COLLATE NOCASE, Cost REAL, M TEXT COLLATE NOCASE, TYP TEXT COLLATE NOCASE, "
            "COD TEXT COLLATE NOCASE, Firma TEXT COLLATE NOCASE, Gruppa TEXT COLLATE NOCASE, "
            "RowKey INTEGER PRIMARY KEY AUTOINCREMENT, NameKey TEXT, GruppaKey TEXT, "
            "CaptionKey TEXT);"
            "CREATE INDEX dorvik_data_NameKey ON dorvik_data (NameKey);"
            "CREATE INDEX dorvik_data_GruppaKey ON dorvik_data (GruppaKey);"
            "CREATE INDEX dorvik_data_CaptionKey ON dorvik_data (RowKey, CaptionKey);"
            "CREATE INDEX dorvik_data_stale ON dorvik_data (RowKey) WHERE NameKey IS NULL OR "
            "GruppaKey IS NULL OR CaptionKey IS NULL;"
            "CREATE TRIGGER dorvik_data_inserted AFTER INSERT ON dorvik_data BEGIN UPDATE "
            "dorvik_data SET NameKey = NULL, GruppaKey = NULL, CaptionKey = NULL WHERE RowKey = "
            "NEW.RowKey; END;"
            "CREATE TRIGGER dorvik_data_renamed AFTER UPDATE OF Name ON dorvik_data WHEN "
            "NEW.Name IS NOT OLD.Name BEGIN UPDATE dorvik_data SET NameKey = NULL WHERE RowKey = "
            "NEW.RowKey; END;"
            "CREATE TABLE dorvik_gruppa (name_gruppa TEXT COLLATE NOCASE, Numb INTEGER);");
        for (const QString &name : names)
            sql += QStringLiteral("INSERT INTO dorvik_data (Name, Caption, Gruppa, NameKey, "
                                  "GruppaKey, CaptionKey) VALUES ('%1', '%1', '%1', '%2', '%2', "
                                  "'%2');")
                       .arg(name, TextFolding::folded(name));
        QCOMPARE(TestSupport::plainSqlite(path, sql), QStringList());
    }

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    void missingFileIsReportedAndNotCreated()
    {
        const QString path = m_dir.filePath(QStringLiteral("нет/dorvik-Vent.mdb"));
        Database db(QStringLiteral("missing"));
        db.setFile(path);
        try {
            db.open();
            QFAIL("a missing database opened");
        } catch (const AppError &error) {
            QCOMPARE(error.file(), path);
            QVERIFY(error.fullText().contains(QStringLiteral("dorvik-Vent.mdb")));
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY(!db.isOpen());
    }

    void foreignFilesAreRefusedByName_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");
        QByteArray jet(2048, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QTest::newRow("Access Jet") << jet << QStringLiteral("Jet");
        QTest::newRow("text") << QByteArray("Name;Caption\n") << QStringLiteral("SQLite");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("пуст");
    }

    void foreignFilesAreRefusedByName()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(QStringLiteral("foreign.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        try {
            Database::checkFile(path);
            QFAIL("a foreign file was taken for a database");
        } catch (const AppError &error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
            QCOMPARE(error.file(), path);
        }
        QCOMPARE(QFileInfo(path).size(), qint64(contents.size()));
    }

    // The engine's reasons reach the user in Russian, with the file named:
    // never "no such table" or "database disk image is malformed".
    void engineErrorsAreSaidInRussian_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing table") << "table"
                                       << "нет таблицы nowhere";
        QTest::newRow("damaged file") << "damaged"
                                      << "повреждён";
        QTest::newRow("read-only database") << "read-only"
                                            << "только для чтения";
    }

    void engineErrorsAreSaidInRussian()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const QString path = freshTemplate();
        Database db(QStringLiteral("engine-error"));
        db.setFile(path);
        QString message;
        if (fault == QStringLiteral("read-only")) {
            // Root writes any file, whatever its permissions: the engine is
            // told to read only, as on a read-only share.
            sqlite3 *engine = nullptr;
            QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &engine,
                                     SQLITE_OPEN_READONLY, nullptr),
                     SQLITE_OK);
            QVERIFY(sqlite3_exec(engine, "DELETE FROM data", nullptr, nullptr, nullptr) !=
                    SQLITE_OK);
            message = SqliteErrors::reason(sqlite3_extended_errcode(engine),
                                           QString::fromUtf8(sqlite3_errmsg(engine)));
            sqlite3_close(engine);
        } else {
            if (fault == QStringLiteral("damaged")) {
                db.open();
                db.inTransaction([&] {
                    for (int i = 0; i < 200; ++i)
                        db.exec(QStringLiteral("INSERT INTO data (Name, Caption) VALUES (?, ?)"),
                                {QString::number(i), QString(300, u'ж')});
                });
                db.close();
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.seek(4096));
                file.write(QByteArray(int(file.size()) - 4096, '\xA5'));
            }
            try {
                db.open();
                db.exec(fault == QStringLiteral("table")
                            ? QStringLiteral("SELECT COUNT(*) FROM nowhere")
                            : QStringLiteral("SELECT SUM(length(Caption)) FROM data"));
                QFAIL("a bad statement ran");
            } catch (const AppError &error) {
                QCOMPARE(error.file(), path);
                message = error.message();
            }
        }
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(!message.contains(QRegularExpression(QStringLiteral("[a-z]{4,} [a-z]{4,}"))),
                 qPrintable(message));
    }

    void columnsStandInTheirPlaces()
    {
        Database db(QStringLiteral("columns"));
        db.setFile(freshTemplate());
        db.open();
        QStringList names;
        QSqlQuery info = db.exec(QStringLiteral("PRAGMA table_info(data)"));
        while (info.next())
            names << info.value(1).toString();
        QCOMPARE(names, Schema::kDataColumns + QStringList{QLatin1String(Schema::kRowKey)});

        const QString cataloguePath = m_dir.filePath(QStringLiteral("cat-columns.mdb"));
        TestSupport::makeCatalogue(cataloguePath, {});
        Database catalogue(QStringLiteral("catalogue-columns"));
        catalogue.setFile(cataloguePath);
        catalogue.open();
        names.clear();
        info = catalogue.exec(QStringLiteral("PRAGMA table_info(dorvik_data)"));
        while (info.next())
            names << info.value(1).toString();
        QCOMPARE(names.mid(0, 9), Schema::kGoodsColumns);
        names.clear();
        info = catalogue.exec(QStringLiteral("PRAGMA table_info(dorvik_gruppa)"));
        while (info.next())
            names << info.value(1).toString();
        QCOMPARE(names, (QStringList{QStringLiteral("name_gruppa"), QStringLiteral("Numb")}));
    }

    void quotesRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << QStringLiteral("Клапан 'КВР' 200");
        QTest::newRow("double quote") << QStringLiteral("Диффузор \"Вихрь\" 1/2\"");
        QTest::newRow("both and a statement") << QStringLiteral("x'); DELETE FROM data; --\"");
        QTest::newRow("like wildcards") << QStringLiteral("100% _x_");
    }

    void quotesRoundTrip()
    {
        QFETCH(QString, text);
        Database db(QStringLiteral("quotes"));
        db.setFile(freshTemplate());
        db.open();
        db.exec(
            QStringLiteral("INSERT INTO data (Name, Caption, Comment, KOL) VALUES (?, ?, ?, ?)"),
            {text, text, QStringLiteral("первая"), 1.5});
        db.exec(QStringLiteral("INSERT INTO data (Name, Caption) VALUES (?, ?)"),
                {QStringLiteral("другая"), QStringLiteral("другая")});
        db.exec(QStringLiteral("UPDATE data SET Comment = ? WHERE Name = ?"), {text, text});
        QSqlQuery row = db.exec(
            QStringLiteral("SELECT Name, Caption, Comment, KOL FROM data WHERE Caption = ?"),
            {text});
        QVERIFY(row.next());
        QCOMPARE(row.value(0).toString(), text);
        QCOMPARE(row.value(1).toString(), text);
        QCOMPARE(row.value(2).toString(), text);
        QCOMPARE(row.value(3).toDouble(), 1.5);
        QVERIFY(!row.next());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 2);

        // The same through the engine's own statements, as bulk commands use them.
        Statement update(db, QStringLiteral("UPDATE data SET Caption = ?, Cost = ? "
                                            "WHERE Name = ?"));
        update.bind(0, text.toUpper());
        update.bindNull(1);
        update.bind(2, text);
        update.run();
        Statement select(db,
                         QStringLiteral("SELECT Caption, Cost, KOL, POZ FROM data WHERE Name = ?"));
        select.bind(0, text);
        QVERIFY(select.next());
        QCOMPARE(select.text(0), text.toUpper());
        QVERIFY(select.isNull(1) && !select.value(1).isValid());
        QCOMPARE(select.value(2), QVariant(1.5));
        QCOMPARE(select.text(3), QString());
        QVERIFY(!select.next());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM data WHERE instr(Caption, ?) > 0"),
                           {text.toUpper()})
                     .toInt(),
                 1);
    }

    // Looked up by name and searched by a part of the description, the
    // catalogue ignores letter case for Cyrillic exactly as for Latin; the
    // user's "%" and "_" are letters like any other.
    void findAndSearchIgnoreCase_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("equal");
        QTest::addColumn<QString>("part");
        QTest::addColumn<bool>("found");
        QTest::newRow("Ё and ё") << QStringLiteral("Ёж") << QStringLiteral("ёЖ") << true
                                 << QStringLiteral("ё") << true;
        QTest::newRow("Cyrillic word")
            << QStringLiteral("Воздуховод круглый") << QStringLiteral("ВОЗДУХОВОД КРУГЛЫЙ") << true
            << QStringLiteral("КРУГ") << true;
        QTest::newRow("Latin") << QStringLiteral("KV-315") << QStringLiteral("kv-315") << true
                               << QStringLiteral("v-31") << true;
        QTest::newRow("е is not ё") << QStringLiteral("ёлка") << QStringLiteral("елка") << false
                                    << QStringLiteral("ел") << false;
        QTest::newRow("mixed scripts")
            << QStringLiteral("РКВ-400x200") << QStringLiteral("ркв-400X200") << true
            << QStringLiteral("В-400Х2") << true;
        QTest::newRow("underscore is no wildcard") << QStringLiteral("Щит") << QStringLiteral("щИТ")
                                                   << true << QStringLiteral("_ит") << false;
        QTest::newRow("percent") << QStringLiteral("скидка 5%") << QStringLiteral("СКИДКА 5%")
                                 << true << QStringLiteral("5%") << true;
        QTest::newRow("percent is no wildcard")
            << QStringLiteral("скидка 50") << QStringLiteral("скидка 5") << false
            << QStringLiteral("5%") << false;
    }

    void findAndSearchIgnoreCase()
    {
        QFETCH(QString, stored);
        QFETCH(QString, asked);
        QFETCH(bool, equal);
        QFETCH(QString, part);
        QFETCH(bool, found);

        const QString path = m_dir.filePath(QStringLiteral("case%1.mdb").arg(++m_counter));
        QList<QVariantList> goods;
        // Enough goods for the name index to matter.
        for (int i = 0; i < 300; ++i)
            goods << QVariantList{
                QStringLiteral("Блок-%1").arg(i), QStringLiteral("x"), {}, {}, {}, {}, {}, {}, {}};
        goods << QVariantList{stored, stored, {}, {}, {}, {}, {}, {}, {}};
        TestSupport::makeCatalogue(path, goods);
        Database db(QStringLiteral("case"));
        db.setFile(path);
        SqliteCatalogue catalogue(db);
        QCOMPARE(catalogue.find({asked}).first().has_value(), equal);
        GoodsCriteria criteria;
        criteria.words = QStringList{part};
        QCOMPARE(catalogue.countGoods(criteria), found ? 1 : 0);
        QCOMPARE(TextFolding::equal(stored, asked), equal);
    }

    // Whatever the program writes leaves every index in SQLite's own order,
    // so other tools find the file sound; a catalogue of the earlier version
    // is mended when the program opens it.
    void filesStayValidForOtherTools_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("catalogue after edits") << QStringLiteral("catalogue");
        QTest::newRow("catalogue of the earlier version") << QStringLiteral("earlier");
        QTest::newRow("catalogue of the version before") << QStringLiteral("keyed");
        QTest::newRow("working database") << QStringLiteral("working");
    }

    void filesStayValidForOtherTools()
    {
        QFETCH(QString, kind);
        const QString path = m_dir.filePath(QStringLiteral("valid-%1.mdb").arg(kind));
        // Case folding and byte order put these in different orders.
        const QStringList names = {"арбуз", "Бык", "Ёж", "ёлка", "Юла", "яма", "Zebra", "apple"};
        if (kind == QStringLiteral("earlier")) {
            writeEarlierCatalogue(path, names);
            QVERIFY(TestSupport::plainSqlite(path, QStringLiteral("PRAGMA integrity_check")) !=
                    QStringList{QStringLiteral("ok")});
        } else if (kind == QStringLiteral("keyed")) {
            QFile(path).open(QIODevice::WriteOnly);
            writeKeyedCatalogue(path, names);
        } else if (kind == QStringLiteral("catalogue")) {
            QList<QVariantList> goods;
            for (const QString &name : names)
                goods << QVariantList{name, name, {}, {}, {}, {}, {}, {}, name};
            TestSupport::makeCatalogue(path, goods, names);
        } else {
            TestSupport::makeTemplate(path);
        }

        Database db(QStringLiteral("valid-") + kind);
        db.setFile(path);
        db.open();
        if (kind == QStringLiteral("working")) {
            for (const QString &name : names)
                db.exec(QStringLiteral("INSERT INTO data (Name, Gruppa) VALUES (?, ?)"),
                        {name.toUpper(), name});
            db.exec(QStringLiteral("UPDATE data SET Name = ? WHERE Name = ?"),
                    {QStringLiteral("ЁЖИК"), QStringLiteral("ЁЖ")});
        } else {
            SqliteCatalogue catalogue(db);
            // Another tool adds a good and renames one; the program finds both
            // the next time it connects.
            db.close();
            QCOMPARE(TestSupport::plainSqlite(
                         path, QStringLiteral("INSERT INTO dorvik_data (Name, Gruppa, TYP, Firma) "
                                              "VALUES ('ЩИТ', 'Щиты', 'ЩР-1', 'ЭлектроЩит'); "
                                              "UPDATE dorvik_data SET Name = 'ЁЛКА-2' "
                                              "WHERE Name = 'ёлка'")),
                     QStringList());
            db.open();
            GoodsCriteria byMaker;
            byMaker.maker = QStringLiteral("электрощит");
            byMaker.type = QStringLiteral("щр");
            QCOMPARE(catalogue.countGoods(byMaker), 1);
            catalogue.renameGroup(QStringLiteral("БЫК"), QStringLiteral("Быки"), 0);
            const auto found = catalogue.find({QStringLiteral("ёЖ"), QStringLiteral("ёлка-2"),
                                               QStringLiteral("щит"), QStringLiteral("ZEBRA")});
            for (const auto &good : found)
                QVERIFY(good.has_value());
            QCOMPARE(found[1]->caption, QStringLiteral("ёлка"));
            QVERIFY(catalogue.goodsGroups().contains(QStringLiteral("Быки")));
        }
        db.close();
        QCOMPARE(TestSupport::plainSqlite(path, QStringLiteral("PRAGMA integrity_check")),
                 QStringList{QStringLiteral("ok")});
    }

    void transactionIsAllOrNothing()
    {
        Database db(QStringLiteral("transaction"));
        db.setFile(freshTemplate());
        db.open();
        try {
            db.inTransaction([&] {
                db.exec(QStringLiteral("INSERT INTO data (Name) VALUES (?)"),
                        {QStringLiteral("a")});
                db.exec(QStringLiteral("INSERT INTO nowhere (Name) VALUES (?)"),
                        {QStringLiteral("b")});
            });
            QFAIL("the failing statement went unnoticed");
        } catch (const AppError &) {
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 0);
    }

    void reopeningSeesOtherConnectionsChanges()
    {
        const QString path = freshTemplate();
        Database first(QStringLiteral("first"));
        Database second(QStringLiteral("second"));
        first.setFile(path);
        second.setFile(path);
        first.open();
        second.open();
        second.exec(QStringLiteral("INSERT INTO data (Name) VALUES (?)"), {QStringLiteral("Ёж")});
        first.close();
        first.open();
        QCOMPARE(first
                     .scalar(QStringLiteral("SELECT COUNT(*) FROM data WHERE Name = ?"),
                             {QStringLiteral("Ёж")})
                     .toInt(),
                 1);
    }

    // The program keeps its catalogue connected; a file copied into the
    // catalogue's place (an office's new catalogue) is what it reads next,
    // whether written over the old one or put there under its name.
    void heldConnectionReadsTheFileNowInItsPlace_data()
    {
        QTest::addColumn<bool>("renamed");
        QTest::newRow("written over") << false;
        QTest::newRow("put in its place") << true;
    }

    void heldConnectionReadsTheFileNowInItsPlace()
    {
        QFETCH(bool, renamed);
        const QString path = freshTemplate();
        const QString other = freshTemplate();
        Database held(QStringLiteral("held"));
        held.setFile(path);
        held.open();
        QCOMPARE(held.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 0);
        {
            Database writer(QStringLiteral("writer"));
            writer.setFile(renamed ? other : path);
            writer.open();
            writer.exec(QStringLiteral("INSERT INTO data (Name) VALUES (?)"),
                        {QStringLiteral("Ёж")});
        }
        if (renamed)
            QCOMPARE(std::rename(QFile::encodeName(other).constData(),
                                 QFile::encodeName(path).constData()),
                     0);
        held.open();
        QCOMPARE(held.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
