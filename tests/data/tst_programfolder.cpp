#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Where the program works: beside itself in the build tree and in a copy its
// user may write; on the user's own copies of the databases when installed.
class ProgramFolderTest : public QObject {
    Q_OBJECT

private:
    static void put(const QString &path, const QByteArray &bytes,
                    QFileDevice::Permissions permissions)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QVERIFY(QFile::setPermissions(path, permissions));
    }

    static QByteArray bytesOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void whereTheProgramWorks_data()
    {
        QTest::addColumn<bool>("installed");       // the databases in share/kvintor
        QTest::addColumn<bool>("shippedWritable"); // else read-only, as installed
        QTest::addColumn<QStringList>("userHas");  // the user's own copies
        QTest::addColumn<bool>("userFolderBlocked");
        QTest::addColumn<bool>("worksInUserFolder");

        const QStringList none;
        QTest::newRow("build tree: beside the program") << false << true << none << false << false;
        QTest::newRow("a copy its user unpacked: in its share folder")
            << true << true << none << false << false;
        QTest::newRow("installed, first start: both copied")
            << true << false << none << false << true;
        QTest::newRow("read-only folder of the program: both copied")
            << false << false << none << false << true;
        QTest::newRow("later start: the user's catalogue kept, the template copied")
            << true << false << QStringList{QStringLiteral("dorvik-Vent.mdb")} << false << true;
        QTest::newRow("no user folder: the shipped files read-only, the reason told")
            << true << false << none << true << false;
    }

    void whereTheProgramWorks()
    {
        QFETCH(bool, installed);
        QFETCH(bool, shippedWritable);
        QFETCH(QStringList, userHas);
        QFETCH(bool, userFolderBlocked);
        QFETCH(bool, worksInUserFolder);

        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("bin"));
        QDir().mkpath(program);
        const QString shipped =
            installed ? QDir::cleanPath(QDir(program).filePath(KV_DATA_FROM_PROGRAM)) : program;
        const QFileDevice::Permissions readable =
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const QFileDevice::Permissions mode =
            shippedWritable ? readable | QFileDevice::WriteOwner : readable;
        const QStringList names{QStringLiteral("dorvik-Vent.mdb"), QStringLiteral("dorvik.dat")};
        for (const QString &name : names)
            put(QDir(shipped).filePath(name), "shipped " + name.toUtf8(), mode);

        QString user = root.filePath(QStringLiteral("home/.local/share/Kvintor/Kvintor"));
        if (userFolderBlocked) {
            put(root.filePath(QStringLiteral("file")), "", readable);
            user = root.filePath(QStringLiteral("file/Kvintor"));
        }
        for (const QString &name : userHas)
            put(QDir(user).filePath(name), "the user's own", readable | QFileDevice::WriteOwner);

        // kvintor-cli leaves no traces.
        QCOMPARE(ProgramFolder::find(program, user),
                 userHas.size() == names.size() ? user : shipped);
        QCOMPARE(QDir(user).entryList(QDir::Files), userHas);

        QList<AppError> problems;
        const QString folder = ProgramFolder::prepare(program, user, problems);
        QCOMPARE(folder, worksInUserFolder ? user : shipped);
        QCOMPARE(ProgramFolder::find(program, user), folder);
        QCOMPARE(problems.size(), userFolderBlocked ? 1 : 0);
        if (userFolderBlocked)
            QCOMPARE(problems.first().file(), user);
        for (const QString &name : names) {
            QCOMPARE(bytesOf(QDir(shipped).filePath(name)), "shipped " + name.toUtf8());
            if (!worksInUserFolder)
                continue;
            const QString copy = QDir(user).filePath(name);
            QCOMPARE(bytesOf(copy), userHas.contains(name) ? QByteArray("the user's own")
                                                           : "shipped " + name.toUtf8());
            QVERIFY(QFile::permissions(copy).testFlag(QFileDevice::WriteOwner));
        }
        if (!worksInUserFolder && !userFolderBlocked)
            QVERIFY(!QFileInfo::exists(user));
    }
};

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "tst_programfolder.moc"
