#include "CadLink.h"
#include "Database.h"
#include "Session.h"
#include "Settings.h"
#include "StartUp.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Counts what start-up and leaving ask of the CAD program.
class RecordingCadLink final : public CadLink {
public:
    int quietAttaches = 0;
    int releases = 0;
    bool attachQuietly() override
    {
        ++quietAttaches;
        return false;
    }
    void attachOrStart() override {}
    void makeVisible() override {}
    QString activeDrawingFullName() override { return {}; }
    void sendCommand(const QString &) override {}
    void release() override { ++releases; }
};

} // namespace

// Start-up and leaving without windows: settings, the catalogue and working
// database, the command-line file.
class StartUpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_program;

    StartUpPlace place(const QStringList &arguments = {}) const
    {
        return {m_program, m_dir.filePath(QStringLiteral("appdata")), arguments,
                QDateTime(QDate(2026, 12, 9), QTime(14, 30, 5, 47))};
    }

    void setUserValue(const QString &name, const QString &value)
    {
        QSettings user(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kvintor"));
        if (value.isNull())
            user.remove(name);
        else
            user.setValue(name, value);
    }

    void setCompany(const QString &value)
    {
        QSettings machine(QSettings::NativeFormat, QSettings::SystemScope,
                          QStringLiteral("Kvintor group"), QStringLiteral("Kvintor"));
        if (value.isNull())
            machine.remove(QStringLiteral("9.11/Company"));
        else
            machine.setValue(QStringLiteral("9.11/Company"), value);
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
        m_program = m_dir.filePath(QStringLiteral("Программа"));
        QDir().mkpath(m_program);
        TestSupport::makeTemplate(m_program + QStringLiteral("/dorvik.dat"));
        TestSupport::makeCatalogue(m_program + QStringLiteral("/dorvik-Vent.mdb"), {});
    }

    void init()
    {
        setUserValue(QStringLiteral("path"), QString());
        setUserValue(QStringLiteral("firma"), QString());
        setCompany(QString());
    }

    void catalogueFolderResolution_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty: program folder") << QString() << QStringLiteral("/opt/kv/");
        QTest::newRow("with separator")
            << QStringLiteral("/srv/каталог/") << QStringLiteral("/srv/каталог/");
        QTest::newRow("separator added")
            << QStringLiteral("/srv/каталог") << QStringLiteral("/srv/каталог/");
    }

    void catalogueFolderResolution()
    {
        QFETCH(QString, value);
        QFETCH(QString, folder);
        QCOMPARE(Settings::catalogueFolder(value, QStringLiteral("/opt/kv")), folder);
    }

    void firmNameResolution_data()
    {
        QTest::addColumn<QString>("firma");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing set") << QString() << QString() << QStringLiteral("Kvintor");
        QTest::newRow("installation only")
            << QString() << QStringLiteral("ООО «Тепло»") << QStringLiteral("ООО «Тепло»");
        QTest::newRow("user's own first")
            << QStringLiteral("ИП Петров") << QStringLiteral("ООО «Тепло»")
            << QStringLiteral("ИП Петров");
    }

    void firmNameResolution()
    {
        QFETCH(QString, firma);
        QFETCH(QString, company);
        QFETCH(QString, shown);
        setUserValue(QStringLiteral("firma"), firma);
        setCompany(company);
        QCOMPARE(Settings().firmName(), shown);
    }

    void startUpPreparesBothDatabases()
    {
        const QString specification = m_dir.filePath(QStringLiteral("Дом 5.СО"));
        Session session;
        RecordingCadLink cad;
        const QList<AppError> problems =
            startUp(session, Settings(), cad, place({specification, QStringLiteral("ignored")}));
        QVERIFY(problems.isEmpty());
        QCOMPARE(cad.quietAttaches, 1);
        QCOMPARE(session.commandLineFile(), specification);
        QVERIFY(!session.document().recordedPermissions().has_value());
        QVERIFY(!session.document().isModified());
        QCOMPARE(session.catalogueFile(), m_program + QStringLiteral("/dorvik-Vent.mdb"));
        QCOMPARE(session.workingDatabasePath(),
                 m_program + QStringLiteral("/2026120914300547.mdb"));
        session.working().open();
        QCOMPARE(session.working().scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 0);

        leave(session, cad);
        QVERIFY(!session.working().isOpen());
        QVERIFY(!QFile::exists(m_program + QStringLiteral("/2026120914300547.mdb")));
        QCOMPARE(cad.releases, 1);
    }

    void twoCopiesInOneMillisecondKeepApart()
    {
        Session first;
        Session second;
        RecordingCadLink cad;
        QVERIFY(startUp(first, Settings(), cad, place()).isEmpty());
        QVERIFY(startUp(second, Settings(), cad, place()).isEmpty());
        QVERIFY(first.workingDatabasePath() != second.workingDatabasePath());
        leave(first, cad);
        QVERIFY(QFile::exists(second.workingDatabasePath()));
        leave(second, cad);
        QVERIFY(!QFile::exists(second.workingDatabasePath()));
    }

    void catalogueFolderFromSettingsWithoutSeparator()
    {
        const QString shared = m_dir.filePath(QStringLiteral("общий каталог"));
        QDir().mkpath(shared);
        TestSupport::makeCatalogue(shared + QStringLiteral("/dorvik-Vent.mdb"), {});
        setUserValue(QStringLiteral("path"), shared);
        Session session;
        RecordingCadLink cad;
        QVERIFY(startUp(session, Settings(), cad, place()).isEmpty());
        QCOMPARE(session.catalogueFile(), shared + QStringLiteral("/dorvik-Vent.mdb"));
        leave(session, cad);
    }

    void missingCatalogueIsReportedAndNotCreated()
    {
        const QString empty = m_dir.filePath(QStringLiteral("пусто"));
        QDir().mkpath(empty);
        setUserValue(QStringLiteral("path"), empty + u'/');
        Session session;
        RecordingCadLink cad;
        const QList<AppError> problems = startUp(session, Settings(), cad, place());
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.first().file(), empty + QStringLiteral("/dorvik-Vent.mdb"));
        QVERIFY(!QFile::exists(empty + QStringLiteral("/dorvik-Vent.mdb")));
        // Start-up went on: the working database is there all the same.
        QVERIFY(QFile::exists(session.workingDatabasePath()));
        leave(session, cad);
    }

    // A template that is missing or not the program's is named at start-up,
    // not by every later command; without a working database the session has
    // none to offer.
    void unusableTemplateIsReportedByName_data()
    {
        QTest::addColumn<QString>("tableSql");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << QString() << QStringLiteral("не найден");
        QTest::newRow("no table data")
            << QStringLiteral("CREATE TABLE other (x)") << QStringLiteral("нет таблицы data");
        QTest::newRow("other columns")
            << QStringLiteral("CREATE TABLE data (Name TEXT, Caption TEXT, KOL REAL)")
            << QStringLiteral("нет столбцов: Abb, Cost");
    }

    void unusableTemplateIsReportedByName()
    {
        QFETCH(QString, tableSql);
        QFETCH(QString, said);
        QTemporaryDir bare;
        const QString templatePath = bare.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeCatalogue(bare.filePath(QStringLiteral("dorvik-Vent.mdb")), {});
        if (!tableSql.isEmpty()) {
            Database db(QStringLiteral("bad-template"));
            db.setFile(templatePath);
            db.create();
            db.exec(tableSql);
        }
        Session session;
        RecordingCadLink cad;
        StartUpPlace where = place();
        where.programFolder = bare.path();
        const QList<AppError> problems = startUp(session, Settings(), cad, where);
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.first().file(), templatePath);
        QVERIFY2(problems.first().message().contains(said), qPrintable(problems.first().message()));
        QVERIFY(session.workingDatabasePath().isEmpty());
        QVERIFY_THROWS_EXCEPTION(AppError, session.working().open());
        QCOMPARE(QDir(bare.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 tableSql.isEmpty() ? 1 : 2);
        leave(session, cad);
    }
};

QTEST_GUILESS_MAIN(StartUpTest)
#include "tst_startup.moc"
