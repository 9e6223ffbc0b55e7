#include "AppError.h"
#include "CatalogueSeed.h"
#include "Database.h"
#include "Schema.h"
#include "SqliteCatalogue.h"
#include "TestSupport.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The bundled catalogue and the seed it is made from.
class CatalogueSeedTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QString &text)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text.toUtf8());
        return path;
    }

private slots:
    void initTestCase() { TestSupport::useRussianLocale(); }

    void bundledCatalogueHoldsAGroupedRange()
    {
        Database db(QStringLiteral("bundled"));
        db.setFile(QStringLiteral(KV_PROGRAM_DIR "/dorvik-Vent.mdb"));
        db.open();
        QVERIFY(db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data")).toInt() >= 400);
        QVERIFY(db.scalar(QStringLiteral("SELECT COUNT(DISTINCT Gruppa) FROM dorvik_data "
                                         "WHERE Gruppa <> ''"))
                    .toInt() >= 12);
        // Every named group has its place in the order, counted from 0.
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data WHERE Gruppa <> '' "
                                     "AND Gruppa NOT IN (SELECT name_gruppa FROM dorvik_gruppa)"))
                .toInt(),
            0);
        QSqlQuery order = db.exec(QStringLiteral("SELECT Numb FROM dorvik_gruppa ORDER BY Numb"));
        int expected = 0;
        while (order.next())
            QCOMPARE(order.value(0).toInt(), expected++);
        QVERIFY(expected >= 12);
        // Block names are keys: no two goods share one, whatever the case.
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT Name FROM dorvik_data "
                                          "GROUP BY NameKey HAVING COUNT(*) > 1)"))
                     .toInt(),
                 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data WHERE Abb NOT IN "
                                          "('Шт', 'мп', 'кг', 'л')"))
                     .toInt(),
                 0);
        const QString templatePath = QStringLiteral(KV_PROGRAM_DIR "/dorvik.dat");
        Database workingTemplate(QStringLiteral("bundled-template"));
        workingTemplate.setFile(templatePath);
        workingTemplate.open();
        QCOMPARE(workingTemplate.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 0);
        // Other SQLite tools find both files sound.
        for (const QString &file : {db.file(), templatePath})
            QCOMPARE(TestSupport::plainSqlite(file, QStringLiteral("PRAGMA integrity_check")),
                     QStringList{QStringLiteral("ok")});
    }

    void badSeedLineIsNamedAndNothingIsLoaded_data()
    {
        QTest::addColumn<QString>("goods");
        QTest::addColumn<int>("line");
        const QString header = Schema::kGoodsColumns.join(u'\t') + u'\n';
        const QString good =
            QStringLiteral("ВК-160\tВоздуховод\tмп\t3.5\t1,2\tВК\t1.1\tЗавод\tВоздуховоды\n");
        QTest::newRow("short line") << header + good + QStringLiteral("ВК-200\tВоздуховод\n") << 3;
        QTest::newRow("price not a number")
            << header + good + QString(good).replace(QStringLiteral("3.5"), QStringLiteral("три"))
            << 3;
        QTest::newRow("wrong header") << QStringLiteral("Name\tCaption\n") + good << 1;
    }

    void badSeedLineIsNamedAndNothingIsLoaded()
    {
        QFETCH(QString, goods);
        QFETCH(int, line);
        const QString goodsPath = write(QStringLiteral("goods.tsv"), goods);
        const QString groupsPath =
            write(QStringLiteral("groups.txt"), QStringLiteral("Воздуховоды\n"));
        const QString path =
            m_dir.filePath(QStringLiteral("seed%1.mdb").arg(QTest::currentDataTag()));
        TestSupport::makeCatalogue(path, {});
        Database db(QStringLiteral("seed"));
        db.setFile(path);
        db.open();
        try {
            SqliteCatalogue catalogue(db);
            CatalogueSeed::load(catalogue, goodsPath, groupsPath);
            QFAIL("a bad seed was loaded");
        } catch (const AppError &error) {
            QCOMPARE(error.file(), goodsPath);
            QCOMPARE(error.line(), line);
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data")).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_gruppa")).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(CatalogueSeedTest)
#include "tst_catalogueseed.moc"
