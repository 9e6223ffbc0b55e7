#include "AppError.h"
#include "Database.h"
#include "TestSupport.h"
#include "WorkingDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The working database of a running copy: its name, its birth from the
// template and its place when the program folder cannot take it.
class WorkingDatabaseTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_template;

    QString newFolder(const QString &name)
    {
        const QString folder = m_dir.filePath(name);
        QDir().mkpath(folder);
        return folder;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
    }

    void nameCarriesMillisecondsWithoutLeadingZeros_data()
    {
        QTest::addColumn<int>("msec");
        QTest::addColumn<QString>("name");
        QTest::newRow("7 ms") << 7 << QStringLiteral("202612091430057.mdb");
        QTest::newRow("47 ms") << 47 << QStringLiteral("2026120914300547.mdb");
        QTest::newRow("347 ms") << 347 << QStringLiteral("20261209143005347.mdb");
        QTest::newRow("0 ms") << 0 << QStringLiteral("202612091430050.mdb");
    }

    void nameCarriesMillisecondsWithoutLeadingZeros()
    {
        QFETCH(int, msec);
        QFETCH(QString, name);
        const QDateTime moment(QDate(2026, 12, 9), QTime(14, 30, 5, msec));
        QCOMPARE(WorkingDatabase::fileName(moment), name);
    }

    void copiesStartedInTheSameMillisecondGetTwoDatabases()
    {
        const QString folder = newFolder(QStringLiteral("same-ms"));
        const QDateTime moment(QDate(2026, 12, 9), QTime(9, 0, 0, 999));
        const QString first = WorkingDatabase::create({folder}, moment, m_template);
        const QString second = WorkingDatabase::create({folder}, moment, m_template);
        QVERIFY(first != second);
        QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("20261209090000999.mdb"));
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("202612090900010.mdb"));
        for (const QString &path : {first, second}) {
            Database db(path);
            db.setFile(path);
            db.open();
            QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 0);
        }
        WorkingDatabase::remove(first);
        QVERIFY(!QFile::exists(first));
        QVERIFY(QFile::exists(second));
    }

    void folderThatCannotTakeTheFileGivesWayToTheNext()
    {
        // A path beneath a plain file cannot become a folder, even for root.
        const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString fallback = m_dir.filePath(QStringLiteral("appdata/Kvintor"));
        const QString path =
            WorkingDatabase::create({blocker + QStringLiteral("/program"), fallback},
                                    QDateTime::currentDateTime(), m_template);
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(fallback).absoluteFilePath());
        QVERIFY(QFile::exists(path));

        // When neither folder takes it, both are named with their reasons.
        const QStringList neither{blocker + QStringLiteral("/program"),
                                  blocker + QStringLiteral("/appdata")};
        try {
            WorkingDatabase::create(neither, QDateTime::currentDateTime(), m_template);
            QFAIL("a working database was made beneath a plain file");
        } catch (const AppError &error) {
            for (const QString &folder : neither)
                QVERIFY2(
                    error.message().contains(folder + QStringLiteral(": папку нельзя создать")),
                    qPrintable(error.message()));
        }
    }

    void missingTemplateIsReportedAndNothingIsCreated()
    {
        const QString folder = newFolder(QStringLiteral("no-template"));
        const QString missing = m_dir.filePath(QStringLiteral("nowhere/dorvik.dat"));
        try {
            WorkingDatabase::create({folder}, QDateTime::currentDateTime(), missing);
            QFAIL("a working database came from a missing template");
        } catch (const AppError &error) {
            QCOMPARE(error.file(), missing);
        }
        QVERIFY(QDir(folder).isEmpty());
        QVERIFY(!QFile::exists(missing));
    }
};

QTEST_GUILESS_MAIN(WorkingDatabaseTest)
#include "tst_workingdatabase.moc"
