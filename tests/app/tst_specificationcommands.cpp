#include "AppError.h"
#include "Catalogue.h"
#include "CatalogueUpdate.h"
#include "CodePage1251.h"
#include "DrawingExchange.h"
#include "ErrorReport.h"
#include "HeaderEdit.h"
#include "PositionEditing.h"
#include "Recovery.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "SpecificationLock.h"
#include "TestSupport.h"
#include "WorkingDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>
#ifdef Q_OS_UNIX
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace SpecificationCommands;

namespace {

constexpr QFileDevice::Permissions kAnyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
constexpr QFileDevice::Permissions kOrdinary = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr QFileDevice::Permissions kReadOnly =
    QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

// The tests run as the administrator, who may write any file, so the lock is
// checked by its permission bits.
bool isLocked(const QString &path)
{
    return !(QFile::permissions(path) & kAnyWrite);
}

// The bits a file keeps, without those Qt works out for the current user.
QFileDevice::Permissions ownBits(QFileDevice::Permissions permissions)
{
    return permissions & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

QFileDevice::Permissions ownBits(const QString &path)
{
    return ownBits(QFile::permissions(path));
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef Q_OS_UNIX
// Fills the file system that holds folder to its last byte.
void fillUp(const QString &folder)
{
    QFile filler(QDir(folder).filePath(QStringLiteral("заполнитель")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(512, 'x');
    while (::write(filler.handle(), block.constData(), block.size()) > 0) {
    }
    while (::write(filler.handle(), block.constData(), 1) > 0) {
    }
}
#endif

// A running copy of the program as far as the files can tell: it makes its
// working database in folder and locks the specification file, then waits to
// be killed, as a copy that crashes.
int holdLikeACopyThatWillCrash(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString database =
        WorkingDatabase::create({arguments[2]}, QDateTime::currentDateTime(), arguments[4]);
    const auto lock = SpecificationLock::take(arguments[3]);
    WorkingDatabase::recordOpenFile(database, arguments[3]);
    std::printf(lock ? "locked\n" : "not locked\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}

// The next start of a copy: the abandoned working databases in folder go
// and the locks of copies that are gone are cleared; then it tries to lock
// the file, and says whether it could.
int startAndLock(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    WorkingDatabase::removeAbandoned({arguments[2]});
    SpecificationLock::clearAbandoned(arguments[3]);
    const auto lock = SpecificationLock::take(arguments[3]);
    std::printf(lock ? "locked\n" : "not locked\n");
    return 0;
}

// A copy of the program at work until it is killed: with its working
// database in folder and the catalogue, it opens the file ("-": creates a
// new specification) and, when asked to, edits a quantity and the customer.
int editLikeACopyThatWillCrash(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    Session session;
    session.setCatalogueFile(arguments[3]);
    session.setWorkingDatabasePath(
        WorkingDatabase::create({arguments[2]}, QDateTime::currentDateTime(), arguments[4]));
    ScriptedPrompts prompts;
    prompts.openAnswers = {arguments[5]};
    if ((arguments[5] == u'-' ? SpecificationCommands::create(session, prompts)
                              : SpecificationCommands::open(session, prompts, {})) != Outcome::Done)
        return 2;
    if (arguments[6] == u'1') {
        SpecificationDocument &document = session.document();
        PositionEditing::editCell(document, document.positions().read().first().key,
                                  PositionsTable::Quantity, QStringLiteral("7,5"));
        HeaderEdit::make(document, HeaderFields::Customer, QStringLiteral("ООО «Заказчик»"));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}

} // namespace

Q_DECLARE_METATYPE(SpecificationCommands::Outcome)

// Opening, creating and saving specifications and the lock on their files.
class SpecificationCommandsTest : public QObject {
    Q_OBJECT

private:
    // The commands as an action runs them: behind the guard that shows
    // their error.
    static Outcome open(Session &s, Prompts &p, const QString &folder)
    {
        return guarded([&] { return SpecificationCommands::open(s, p, folder); });
    }
    static Outcome openFromCommandLine(Session &s, Prompts &p)
    {
        return guarded([&] { return SpecificationCommands::openFromCommandLine(s, p); });
    }
    static Outcome create(Session &s, Prompts &p)
    {
        return guarded([&] { return SpecificationCommands::create(s, p); });
    }
    static Outcome save(Session &s, Prompts &p)
    {
        return guarded([&] { return SpecificationCommands::save(s, p); });
    }
    static Outcome saveGroup(Session &s, Prompts &p, const QString &group)
    {
        return guarded([&] { return SpecificationCommands::saveGroup(s, p, group); });
    }
    static Outcome saveOnLeaving(Session &s, Prompts &p)
    {
        return guarded([&] { return SpecificationCommands::saveOnLeaving(s, p); });
    }

    QTemporaryDir m_dir;
    QString m_template;
    QString m_catalogue;
    QStringList m_errors;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    std::unique_ptr<Session> session()
    {
        auto s = std::make_unique<Session>();
        s->setCatalogueFile(m_catalogue);
        TestSupport::openFreshWorkingDatabase(*s, m_dir.path(), m_template);
        return s;
    }

    // A specification file with the given block names, one position each.
    QString writeFile(const QString &name, const QStringList &blocks,
                      QFileDevice::Permissions permissions = kOrdinary)
    {
        QStringList lines{QStringLiteral("// Заголовок")};
        for (int field = 0; field < HeaderFields::kStoredCount; ++field)
            lines << QStringLiteral("поле %1 файла %2").arg(field).arg(name);
        lines << QStringLiteral("// Начало базы");
        int number = 0;
        for (const QString &block : blocks)
            lines << QString::number(++number) << QStringLiteral("0") << block
                  << QStringLiteral("1.5") << QStringLiteral("Шт") << block << QString()
                  << QString();
        const QString file = path(name);
        QFile out(file);
        out.setPermissions(kOrdinary);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(file));
        out.write("\xEF\xBB\xBF" + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
        out.close();
        QFile::setPermissions(file, permissions);
        return file;
    }

    static int positions(Session &s)
    {
        s.working().open();
        return s.working().scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt();
    }

    // The text of a file the program wrote, in the old code page.
    static QString contents(const QString &file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? CodePage1251::decode(in.readAll()) : QString();
    }

    // A session with file opened through the open command.
    std::unique_ptr<Session> openedOn(const QString &file)
    {
        auto s = session();
        ScriptedPrompts prompts;
        prompts.openAnswers = {file};
        prompts.answers = {true};
        if (open(*s, prompts, {}) != Outcome::Done)
            qFatal("cannot open %s", qPrintable(file));
        return s;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_template = path(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
        m_catalogue = path(QStringLiteral("dorvik-Vent.mdb"));
        TestSupport::makeCatalogue(m_catalogue,
                                   {{QStringLiteral("ВК-160"),
                                     QStringLiteral("Воздуховод d=160"),
                                     QStringLiteral("мп"),
                                     4.5,
                                     {},
                                     {},
                                     {},
                                     QStringLiteral("Завод"),
                                     QStringLiteral("Воздуховоды")},
                                    {QStringLiteral("ВР-4"),
                                     QStringLiteral("Вентилятор"),
                                     QStringLiteral("Шт"),
                                     42.0,
                                     {},
                                     {},
                                     {},
                                     QStringLiteral("ВентСтрой"),
                                     QStringLiteral("Вентиляторы")}},
                                   {QStringLiteral("Вентиляторы"), QStringLiteral("Воздуховоды")});
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
    }

    void init() { m_errors.clear(); }

    void captionShortensLongNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        const QString a98(98, u'а'), b20(20, u'б'), c26(26, u'в');
        QTest::newRow("new") << kNewSpecificationName << kNewSpecificationName;
        const QString hundred = u'/' + QString(95, u'д') + QStringLiteral(".СО\u0020");
        QTest::newRow("100 characters as is") << hundred.left(100) << hundred.left(100);
        const QString slashes = u'/' + a98 + u'/' + b20 + u'/' + c26 + QStringLiteral(".СО");
        QTest::newRow("150 characters, slashes")
            << slashes << QStringLiteral(".../") + b20 + u'/' + c26 + QStringLiteral(".СО");
        QString backslashes = slashes;
        backslashes.replace(u'/', u'\\').prepend(QStringLiteral("C:"));
        QTest::newRow("backslashes")
            << backslashes << QStringLiteral("...\\") + b20 + u'\\' + c26 + QStringLiteral(".СО");
        const QString noSeparator = u'/' + QString(140, u'е');
        QTest::newRow("no separator in the end")
            << noSeparator << QStringLiteral("...") + QString(101, u'е');
    }

    void captionShortensLongNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(editorCaption(name), QStringLiteral("Редактирование спецификации: ") + shown);
    }

    void presetTakesTheExtension_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("preset");
        QTest::newRow("new") << kNewSpecificationName << QStringLiteral("Новая спецификация.СО");
        QTest::newRow("read-only")
            << QStringLiteral("/п/а.СО") + kReadOnlySuffix << QStringLiteral("/п/а.СО");
        QTest::newRow("group") << QStringLiteral("Воздуховоды") << QStringLiteral("Воздуховоды.СО");
        QTest::newRow("group with stops")
            << QStringLiteral("Гр. 1.2") << QStringLiteral("Гр. 1.СО");
        QTest::newRow("stop in folder") << QStringLiteral("/a.b/c") << QStringLiteral("/a.b/c.СО");
        QTest::newRow("drive") << QStringLiteral("D:x.y:z") << QStringLiteral("D:x.y:z.СО");
    }

    void presetTakesTheExtension()
    {
        QFETCH(QString, text);
        QFETCH(QString, preset);
        QCOMPARE(presetFileName(text), preset);
    }

    // Cancelling, refusing the read-only question and a bad file leave the
    // open specification, its name, lock and rows as they were.
    void refusedOpeningChangesNothing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("errors");
        QTest::newRow("cancel") << QString() << QList<bool>{} << Outcome::Cancelled << 0;
        QTest::newRow("read-only, No")
            << writeFile(QStringLiteral("чужой.СО"), {QStringLiteral("x")}, kReadOnly)
            << QList<bool>{false} << Outcome::Cancelled << 0;
        const QString bad = path(QStringLiteral("короткий.СО"));
        QFile out(bad);
        out.open(QIODevice::WriteOnly);
        out.write("// Заголовок\r\nЗаказчик\r\n");
        QTest::newRow("bad file") << bad << QList<bool>{} << Outcome::Failed << 1;
    }

    void refusedOpeningChangesNothing()
    {
        QFETCH(QString, chosen);
        QFETCH(QList<bool>, answers);
        QFETCH(Outcome, outcome);
        QFETCH(int, errors);
        const QString a =
            writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160"), QStringLiteral("ВР-4")});
        auto s = openedOn(a);
        const HeaderFields header = s->document().header();
        ScriptedPrompts prompts;
        prompts.openAnswers = {chosen};
        prompts.answers = answers;
        QCOMPARE(open(*s, prompts, QStringLiteral("/начало")), outcome);
        QCOMPARE(prompts.openFolders, QStringList{QStringLiteral("/начало")});
        QCOMPARE(m_errors.size(), errors);
        if (!m_errors.isEmpty())
            QVERIFY(m_errors.first().contains(QStringLiteral("короткий.СО")));
        QCOMPARE(s->document().name(), a);
        QVERIFY(isLocked(a));
        QCOMPARE(positions(*s), 2);
        QCOMPARE(s->document().header(), header);
    }

    void lockMovesWithTheOpenFile()
    {
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")});
        const QString b = writeFile(QStringLiteral("Б.СО"), {QStringLiteral("ВР-4")},
                                    QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto s = openedOn(a);
        QVERIFY(isLocked(a));
        QCOMPARE(s->document().name(), a);
        QVERIFY(!s->document().isModified());

        ScriptedPrompts prompts;
        prompts.openAnswers = {b, b};
        QCOMPARE(open(*s, prompts, {}), Outcome::Done);
        QCOMPARE(ownBits(a), kOrdinary);
        QVERIFY(isLocked(b));
        // Opening the open file again asks nothing and keeps what b had.
        QCOMPARE(open(*s, prompts, {}), Outcome::Done);
        QVERIFY(prompts.questions.isEmpty());
        // The file that synchronisation takes its numbers from becomes the
        // open one, and the lock goes with it.
        const QString c = writeFile(QStringLiteral("В.СО"), {QStringLiteral("ВР-4")});
        QCOMPARE(DrawingExchange::synchroniseFrom(*s, prompts, c), 1);
        QCOMPARE(s->document().name(), c);
        QVERIFY(isLocked(c));
        QCOMPARE(ownBits(b), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(saveOnLeaving(*s, prompts), Outcome::Done);
        QCOMPARE(ownBits(c), kOrdinary);
    }

    // A second running copy sees the first one's file as read-only.
    void secondCopySeesTheFileReadOnly()
    {
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")});
        auto first = openedOn(a);
        auto second = session();
        ScriptedPrompts prompts;
        prompts.openAnswers = {a, a};
        prompts.answers = {false, true};
        QCOMPARE(open(*second, prompts, {}), Outcome::Cancelled);
        QVERIFY(second->document().name().isEmpty());
        QCOMPARE(open(*second, prompts, {}), Outcome::Done);
        QCOMPARE(prompts.questions, QStringList(2, QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ "
                                                                  "ЧТЕНИЯ! Продолжить?")));
        QCOMPARE(second->document().name(), a + kReadOnlySuffix);
        QCOMPARE(positions(*second), 1);

        // Neither saving over it nor leaving the second copy frees it.
        prompts.saveAnswers = {a};
        prompts.answers = {true};
        QCOMPARE(save(*second, prompts), Outcome::Cancelled);
        QCOMPARE(prompts.notices, QStringList{QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!")});
        QCOMPARE(saveOnLeaving(*second, prompts), Outcome::Done);
        QVERIFY(isLocked(a));
        QCOMPARE(saveOnLeaving(*first, prompts), Outcome::Done);
        QCOMPARE(ownBits(a), kOrdinary);
    }

    void commandLineFileOpensWithoutQuestions()
    {
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")}, kReadOnly);
        const QString bad = path(QStringLiteral("пустой.СО"));
        QFile(bad).open(QIODevice::WriteOnly);
        auto s = session();
        s->setCommandLineFile(bad);
        ScriptedPrompts prompts;
        QCOMPARE(openFromCommandLine(*s, prompts), Outcome::Failed);
        QCOMPARE(s->commandLineFile(), bad); // tried again next time
        s->setCommandLineFile(a);
        QCOMPARE(openFromCommandLine(*s, prompts), Outcome::Done);
        QVERIFY(prompts.questions.isEmpty());
        QCOMPARE(s->document().name(), a + kReadOnlySuffix);
        QVERIFY(s->commandLineFile().isEmpty());
        QCOMPARE(positions(*s), 1);
    }

    // Unsaved changes are offered for saving before another specification
    // replaces them.
    void unsavedChangesAreOffered_data()
    {
        QTest::addColumn<bool>("creating");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("saveAnswers");
        QTest::addColumn<Outcome>("outcome");
        for (const bool creating : {false, true}) {
            const char *command = creating ? "create" : "open";
            QTest::addRow("%s, No", command)
                << creating << QList<bool>{false} << QStringList{} << Outcome::Done;
            QTest::addRow("%s, Yes and cancel", command)
                << creating << QList<bool>{true} << QStringList{} << Outcome::Cancelled;
            QTest::addRow("%s, Yes and save", command)
                << creating << QList<bool>{true} << QStringList{path(QStringLiteral("копия"))}
                << Outcome::Done;
        }
    }

    void unsavedChangesAreOffered()
    {
        QFETCH(bool, creating);
        QFETCH(QStringList, saveAnswers);
        QFETCH(Outcome, outcome);
        QFETCH(QList<bool>, answers);
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")});
        const QString b = writeFile(QStringLiteral("Б.СО"), {QStringLiteral("ВР-4")});
        const QString copy = path(QStringLiteral("копия.СО"));
        QFile::remove(copy);
        auto s = openedOn(a);
        HeaderEdit::make(s->document(), HeaderFields::Customer, QStringLiteral("изменено"));
        ScriptedPrompts prompts;
        prompts.answers = answers;
        prompts.saveAnswers = saveAnswers;
        prompts.openAnswers = {b};
        QCOMPARE(creating ? create(*s, prompts) : open(*s, prompts, {}), outcome);
        QCOMPARE(prompts.questions.value(0),
                 QStringLiteral("Сохранить спецификацию ") + a + QStringLiteral(" ?"));
        QCOMPARE(QFile::exists(copy), !saveAnswers.isEmpty());
        if (outcome == Outcome::Cancelled) {
            QCOMPARE(s->document().name(), a);
            QVERIFY(isLocked(a));
            QVERIFY(s->document().isModified());
            return;
        }
        QCOMPARE(s->document().name(), creating ? kNewSpecificationName : b);
        QCOMPARE(ownBits(a), kOrdinary);
        if (!saveAnswers.isEmpty()) {
            QVERIFY(contents(copy).contains(QStringLiteral("изменено")));
            QVERIFY(!isLocked(copy)); // let go of by the open or the create
        }
    }

    void createStartsWithOneDefaultPosition()
    {
        const QString a =
            writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160"), QStringLiteral("ВР-4")});
        auto s = openedOn(a);
        s->setViewFilter({PositionFilter::Kind::Group, QStringLiteral("Воздуховоды")});
        s->setLists({QStringLiteral("x")}, {QStringLiteral("y")}, {QStringLiteral("z")});
        const HeaderFields header = s->document().header();
        ScriptedPrompts prompts;
        QCOMPARE(create(*s, prompts), Outcome::Done);
        QCOMPARE(s->document().name(), kNewSpecificationName);
        QCOMPARE(ownBits(a), kOrdinary);
        QCOMPARE(s->document().header(), header);
        QVERIFY(!s->document().isModified());
        QCOMPARE(s->viewFilter(), PositionFilter{});
        QCOMPARE(s->groupFilterList(),
                 (QStringList{Session::kUndefinedGroupItem, Session::kAllGroupsItem}));
        QCOMPARE(s->makerFilterList(), QStringList{Session::kAllMakersItem});
        const QStringList groups{QStringLiteral("Вентиляторы"), QStringLiteral("Воздуховоды")};
        QCOMPARE(s->groupFieldList(), groups);
        QCOMPARE(s->pickerGroupList(), QStringList{Session::kAllGroupsItem} + groups);
        QSqlQuery query = s->working().exec(
            QStringLiteral("SELECT Name, Caption, KOL, Abb, POZ, NG, Comment FROM data"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("0"));
        QCOMPARE(query.value(1).toString(), QStringLiteral("Описание"));
        QCOMPARE(query.value(2).toDouble(), 0.0);
        QCOMPARE(query.value(3).toString(), QStringLiteral("Шт"));
        QCOMPARE(query.value(4).toInt() + query.value(5).toInt(), 0);
        QVERIFY(!query.value(6).isNull());
        QVERIFY(!query.next());
    }

    void newSpecificationIsSavedWithTheExtension()
    {
        auto s = session();
        ScriptedPrompts prompts;
        QCOMPARE(create(*s, prompts), Outcome::Done);
        s->document().startAfresh(true); // changed without a step to undo
        const QString typed = path(QStringLiteral("новая"));
        prompts.saveAnswers = {typed};
        QCOMPARE(save(*s, prompts), Outcome::Done);
        QCOMPARE(prompts.savePresets, QStringList{QStringLiteral("Новая спецификация.СО")});
        const QString target = typed + QStringLiteral(".СО");
        QCOMPARE(s->document().name(), target);
        QVERIFY(!s->document().isModified());
        QVERIFY(isLocked(target));
        QVERIFY(contents(target).contains(QStringLiteral("\r\nОписание\r\n")));
        // Its own permissions come back when the program lets go of it.
        QCOMPARE(saveOnLeaving(*s, prompts), Outcome::Done);
        QVERIFY(QFile::permissions(target) & QFileDevice::WriteOwner);
    }

    // The target choice: the overwrite question, the read-only refusal and a
    // failed write; the open file is locked again whenever the save fails.
    void saveChoosesItsTarget()
    {
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")});
        const QString other =
            writeFile(QStringLiteral("чужой.СО"), {QStringLiteral("x")}, kReadOnly);
        auto s = openedOn(a);
        HeaderEdit::make(s->document(), HeaderFields::Customer, QStringLiteral("новый заказчик"));
        ScriptedPrompts prompts;
        prompts.saveAnswers = {a, other};
        prompts.answers = {false, true};
        QCOMPARE(save(*s, prompts), Outcome::Cancelled);
        QCOMPARE(prompts.questions,
                 (QStringList{QStringLiteral("Переписать файл ") + a + QStringLiteral(" ?"),
                              QStringLiteral("Переписать файл ") + other + QStringLiteral(" ?")}));
        QCOMPARE(prompts.notices, QStringList{QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!")});
        QCOMPARE(prompts.savePresets.value(0), QStringLiteral("А.СО"));
        QCOMPARE(prompts.saveFolders.value(0), m_dir.path());
        QVERIFY(isLocked(a));
        QVERIFY(s->document().isModified());

        prompts.saveAnswers = {path(QStringLiteral("нет/такой/папки.СО"))};
        QCOMPARE(save(*s, prompts), Outcome::Failed);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(QStringLiteral("не существует")),
                 qPrintable(m_errors.first()));
        QCOMPARE(s->document().name(), a);
        QVERIFY(isLocked(a));
        QVERIFY(s->document().isModified());

        // Over the open file itself, despite our own lock.
        prompts.saveAnswers = {a};
        prompts.answers = {true};
        QCOMPARE(save(*s, prompts), Outcome::Done);
        QVERIFY(contents(a).contains(QStringLiteral("новый заказчик")));
        QVERIFY(isLocked(a));
        QVERIFY(!s->document().isModified());
        QCOMPARE(ownBits(s->document().recordedPermissions().value()), kOrdinary);
    }

    void groupSaveWritesWhatTheFilterShows()
    {
        const QString a =
            writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160"), QStringLiteral("ВР-4")});
        auto s = openedOn(a);
        s->setViewFilter({PositionFilter::Kind::Group, QStringLiteral("Воздуховоды")});
        s->document().startAfresh(true); // changed without a step to undo
        ScriptedPrompts prompts;
        const QString group = path(QStringLiteral("Воздуховоды.СО"));
        prompts.saveAnswers = {a, group};
        prompts.answers = {true};
        QCOMPARE(saveGroup(*s, prompts, QStringLiteral("Воздуховоды")), Outcome::Done);
        // The open file is locked, so it is no target for a group.
        QCOMPARE(prompts.notices, QStringList{QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ ЧТЕНИЯ!")});
        QCOMPARE(prompts.savePresets.value(0), QStringLiteral("Воздуховоды.СО"));
        QVERIFY(contents(group).contains(QStringLiteral("\r\nВК-160\r\n")));
        QVERIFY(!contents(group).contains(QStringLiteral("ВР-4")));
        QCOMPARE(s->document().name(), a);
        QVERIFY(s->document().isModified());
        QVERIFY(!isLocked(group));
    }

    static Position position(const QString &name, const QString &caption, const QString &group)
    {
        Position position;
        position.name = name;
        position.caption = caption;
        position.group = group;
        return position;
    }

    // "Обновить базу": a shown position overwrites the description of every
    // good of its name, letter case aside, and keeps their names; one not in
    // the catalogue becomes a good; a nameless one is named by its caption
    // first. Apostrophes go as they are; no price stays none, never 0.
    void catalogueUpdateWritesTheShownPositions()
    {
        const QString catalogue = path(QStringLiteral("обновляемая.mdb"));
        TestSupport::makeCatalogue(catalogue, {{"ВК-160", "Воздуховод", {}, 4.5},
                                               {"вк-160", "Старый", {}, 3.0},
                                               {"ВР-4", "Вентилятор", {}, 42.0}});
        auto s = session();
        s->setCatalogueFile(catalogue);
        const QString group = QStringLiteral("Воздуховоды");
        Position duct = position("Вк-160", "Воздуховод d'160", group);
        std::tie(duct.unit, duct.mass, duct.type, duct.code, duct.maker) =
            std::tuple{"мп", "1,2", "Т'1", "К-1", "Завод \"О'Нил\""};
        duct.cost = 5.25;
        s->document().positions().insert(duct);
        const Position damper = position({}, "Клапан д'Арк", group);
        const qint64 nameless = s->document().positions().insert(damper);
        s->document().positions().insert(position("ВР-4", "Другой", "Вентиляторы"));
        s->document().markSaved();
        s->setViewFilter({PositionFilter::Kind::Group, group});

        ScriptedPrompts prompts;
        prompts.answers = {true};
        QCOMPARE(CatalogueUpdate::updateCatalogue(*s, prompts)->goods, 2);
        QCOMPARE(s->document().positions().find(nameless)->name, damper.caption);
        QVERIFY(s->document().isModified());
        QCOMPARE(
            TestSupport::plainSqlite(catalogue, "SELECT Name || ':' || Caption FROM dorvik_data"),
            (QStringList{"ВК-160:Воздуховод d'160", "вк-160:Воздуховод d'160", "ВР-4:Вентилятор",
                         "Клапан д'Арк:Клапан д'Арк"}));
        const auto found = s->goods().find({"вК-160", "КЛАПАН Д'АРК"});
        QCOMPARE((QStringList{found[0]->unit, found[0]->mass, found[0]->type, found[0]->code,
                              found[0]->maker, found[0]->group}),
                 (QStringList{duct.unit, duct.mass, duct.type, duct.code, duct.maker, group}));
        QCOMPARE(found[0]->cost.toDouble(), 5.25);
        QVERIFY(found[1]->cost.isNull());
    }

    // A good the catalogue refuses leaves the goods written before it, and
    // the names given, undone.
    void failedCatalogueUpdateChangesNothing()
    {
        const QString catalogue = path(QStringLiteral("отказ.mdb"));
        TestSupport::makeCatalogue(catalogue, {{"ВК-160", "Старый"}});
        TestSupport::plainSqlite(catalogue, "CREATE TRIGGER refuse BEFORE INSERT ON dorvik_data "
                                            "BEGIN SELECT RAISE(ABORT, 'отказано'); END");
        auto s = session();
        s->setCatalogueFile(catalogue);
        s->document().positions().insert(position("ВК-160", "Новый", {}));
        const qint64 nameless = s->document().positions().insert(position({}, "Клапан", {}));
        s->document().markSaved();

        ScriptedPrompts prompts;
        QVERIFY_THROWS_EXCEPTION(AppError, CatalogueUpdate::updateCatalogue(*s, prompts));
        QVERIFY(prompts.notices.isEmpty());
        QCOMPARE(TestSupport::plainSqlite(catalogue, "SELECT Caption FROM dorvik_data"),
                 QStringList{"Старый"});
        QVERIFY(s->document().positions().find(nameless)->name.isEmpty());
        QVERIFY(!s->document().isModified());
    }

    // "Обновить базу" says how many goods it wrote and how many of them are
    // new; when the filter hides positions it asks first, and a No writes
    // nothing, not even the names of nameless positions.
    void catalogueUpdateSaysWhatItWrote_data()
    {
        QTest::addColumn<int>("fresh");
        QTest::addColumn<int>("known");
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("notice");
        const QString asked = QStringLiteral(
            "В базу товара будут записаны только показанные позиции: 3 из 4. Продолжить?");
        QTest::newRow("one") << 1 << 0 << false << QList<bool>{} << QString()
                             << QStringLiteral("Записано в базу товара: 1 товар, из них новых 1");
        QTest::newRow("three") << 2 << 1 << false << QList<bool>{} << QString()
                               << QStringLiteral(
                                      "Записано в базу товара: 3 товара, из них новых 2");
        QTest::newRow("twelve") << 3 << 9 << false << QList<bool>{} << QString()
                                << QStringLiteral(
                                       "Записано в базу товара: 12 товаров, из них новых 3");
        QTest::newRow("twenty-one")
            << 21 << 0 << false << QList<bool>{} << QString()
            << QStringLiteral("Записано в базу товара: 21 товар, из них новых 21");
        QTest::newRow("shown, Yes")
            << 2 << 1 << true << QList<bool>{true} << asked
            << QStringLiteral("Записано в базу товара: 3 товара, из них новых 2");
        QTest::newRow("shown, No") << 2 << 1 << true << QList<bool>{false} << asked << QString();
    }

    void catalogueUpdateSaysWhatItWrote()
    {
        QFETCH(int, fresh);
        QFETCH(int, known);
        QFETCH(bool, filtered);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, question);
        QFETCH(QString, notice);
        const QString catalogue =
            path(QStringLiteral("сказано %1.mdb").arg(QLatin1String(QTest::currentDataTag())));
        QList<QVariantList> goods;
        for (int i = 0; i < known; ++i)
            goods << QVariantList{QStringLiteral("Б-%1").arg(i), QStringLiteral("Старый")};
        TestSupport::makeCatalogue(catalogue, goods);
        auto s = session();
        s->setCatalogueFile(catalogue);
        const QString group = QStringLiteral("Воздуховоды");
        for (int i = 0; i < known; ++i)
            s->document().positions().insert(
                position(QStringLiteral("б-%1").arg(i), "Новый", group));
        // The first new good is nameless: its caption names it.
        s->document().positions().insert(position({}, "Н-0", group));
        for (int i = 1; i < fresh; ++i)
            s->document().positions().insert(
                position(QStringLiteral("Н-%1").arg(i), "Новый", group));
        if (filtered) {
            s->document().positions().insert(position("Скрытый", "Новый", "Прочее"));
            s->setViewFilter({PositionFilter::Kind::Group, group});
        }
        ScriptedPrompts prompts;
        prompts.answers = answers;

        const std::optional<GoodsWritten> written = CatalogueUpdate::updateCatalogue(*s, prompts);
        QCOMPARE(prompts.questions, question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(prompts.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(written.has_value(), !notice.isEmpty());
        const QStringList names =
            TestSupport::plainSqlite(catalogue, "SELECT Name FROM dorvik_data ORDER BY rowid");
        QCOMPARE(names.size(), written ? known + fresh : known);
        QCOMPARE(s->document().positions().read().value(known).name,
                 written ? QStringLiteral("Н-0") : QString());
    }

    void leavingOffersToSave_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("saveAnswers");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("written");
        const QStringList target{path(QStringLiteral("при выходе"))};
        QTest::newRow("unchanged") << false << QList<bool>{} << target << Outcome::Done << false;
        QTest::newRow("No") << true << QList<bool>{false} << target << Outcome::Done << false;
        QTest::newRow("Yes and cancel")
            << true << QList<bool>{true} << QStringList{} << Outcome::Cancelled << false;
        QTest::newRow("Yes and save")
            << true << QList<bool>{true} << target << Outcome::Done << true;
        QTest::newRow("failed write")
            << true << QList<bool>{true} << QStringList{path(QStringLiteral("нет/файла"))}
            << Outcome::Failed << false;
    }

    void leavingOffersToSave()
    {
        QFETCH(Outcome, outcome);
        QFETCH(bool, written);
        QFETCH(bool, modified);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, saveAnswers);
        const QString a = writeFile(QStringLiteral("А.СО"), {QStringLiteral("ВК-160")});
        const QString target = path(QStringLiteral("при выходе.СО"));
        QFile::remove(target);
        auto s = openedOn(a);
        s->working().exec(QStringLiteral("UPDATE data SET KOL = NULL"));
        s->document().startAfresh(modified);
        ScriptedPrompts prompts;
        prompts.answers = answers;
        prompts.saveAnswers = saveAnswers;
        QCOMPARE(saveOnLeaving(*s, prompts), outcome);
        QCOMPARE(prompts.questions.size(), s->document().isModified() ? 1 : 0);
        QCOMPARE(QFile::exists(target), written);
        if (written) // an empty quantity stays empty; the file is not locked
            QVERIFY(contents(target).contains(QStringLiteral("\r\nВК-160\r\n\r\nмп\r\n")));
        QVERIFY(!isLocked(target) || !written);
        // The program stays with the file locked, or lets go of it.
        QCOMPARE(isLocked(a), outcome != Outcome::Done);
    }

    // A save that cannot be written, on a full file system or past the size
    // a file may have, keeps the old file byte for byte, says why and leaves
    // the specification unsaved.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full file system") << true << QStringLiteral("на диске нет места");
        QTest::newRow("file size limit") << false << QStringLiteral("файл слишком велик");
    }

    void failedSaveKeepsTheOldFile()
    {
#ifndef Q_OS_UNIX
        QSKIP("a full file system and a file size limit are made with POSIX calls");
#else
        QFETCH(bool, fullDisk);
        QFETCH(QString, reason);
        QTemporaryDir small;
        QString folder = m_dir.path();
        if (fullDisk) {
            if (::geteuid() != 0)
                QSKIP("a small file system can be mounted by the administrator only");
            if (::mount("tmpfs", QFile::encodeName(small.path()).constData(), "tmpfs", 0,
                        "size=64k") != 0)
                QSKIP("this machine does not let the tests mount a small file system");
            folder = small.path();
        }
        const auto unmount = qScopeGuard([&] {
            if (fullDisk)
                ::umount2(QFile::encodeName(small.path()).constData(), MNT_DETACH);
        });
        const QString file = QDir(folder).filePath(QStringLiteral("полный.СО"));
        QVERIFY(QFile::copy(writeFile(QStringLiteral("исходный.СО"), {QStringLiteral("ВК-160")}),
                            file));
        auto s = openedOn(file);
        s->working().exec(QStringLiteral("UPDATE data SET Comment = ?"), {QString(8000, u'ж')});
        s->document().startAfresh(true); // changed without a step to undo
        const QByteArray before = bytesOf(file);
        ScriptedPrompts prompts;
        prompts.saveAnswers = {file};
        prompts.answers = {true};

        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit original = limit;
        if (fullDisk) {
            fillUp(folder);
        } else {
            std::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = 4096;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        const Outcome outcome = save(*s, prompts);
        ::setrlimit(RLIMIT_FSIZE, &original);

        QCOMPARE(outcome, Outcome::Failed);
        QCOMPARE(bytesOf(file), before);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(reason), qPrintable(m_errors.first()));
        QVERIFY(m_errors.first().contains(file));
        QVERIFY(s->document().isModified());
        QVERIFY(isLocked(file));
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(folder).entryList(QDir::Files).filter(QStringLiteral("полный")),
                 QStringList{QStringLiteral("полный.СО")});
        prompts.answers = {false};
        QCOMPARE(saveOnLeaving(*s, prompts), Outcome::Done);
        QCOMPARE(prompts.questions.last(),
                 QStringLiteral("Сохранить спецификацию ") + file + QStringLiteral(" ?"));
#endif
    }

    // A copy that is killed leaves its file locked and its working database
    // behind; while it runs, both stay, and once it is gone the next start
    // clears both. The lock file alone holds the lock where the permission
    // could not be taken (a file of another user).
    void crashedCopyLeavesNothingLocked()
    {
        const QString a = writeFile(QStringLiteral("брошенный.СО"), {QStringLiteral("ВК-160")});
        const QString folder = m_dir.filePath(QStringLiteral("программа другой копии"));
        QDir().mkpath(folder);
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--hold"), folder, a, m_template});
        QVERIFY(other.waitForReadyRead(20000));
        QCOMPARE(other.readAll(), QByteArray("locked\n"));
        QVERIFY(isLocked(a));

        auto s = session();
        ScriptedPrompts prompts;
        prompts.openAnswers = {a, a};
        prompts.answers = {false, false};
        QCOMPARE(open(*s, prompts, {}), Outcome::Cancelled);
        QFile::setPermissions(a, kOrdinary);
        QCOMPARE(open(*s, prompts, {}), Outcome::Cancelled);
        QCOMPARE(prompts.questions, QStringList(2, QStringLiteral("Файл доступен ТОЛЬКО ДЛЯ "
                                                                  "ЧТЕНИЯ! Продолжить?")));
        QFile::setPermissions(a, kReadOnly);
        QCOMPARE(WorkingDatabase::removeAbandoned({folder}), 0);

        other.kill();
        QVERIFY(other.waitForFinished());
        QCOMPARE(WorkingDatabase::removeAbandoned({folder}), 1);
        QVERIFY(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
        // The next start let go of the file the crashed copy had open.
        QCOMPARE(ownBits(a), kOrdinary);
        QVERIFY(!QFile::exists(SpecificationLock::lockFilePath(a)));
        prompts.openAnswers = {a};
        QCOMPARE(open(*s, prompts, {}), Outcome::Done);
        QCOMPARE(prompts.questions.size(), 2);
        QCOMPARE(s->document().name(), a);
        QVERIFY(isLocked(a));
        QCOMPARE(saveOnLeaving(*s, prompts), Outcome::Done);
        QCOMPARE(ownBits(a), kOrdinary);
        QVERIFY(!QFile::exists(SpecificationLock::lockFilePath(a)));
    }

    // The work of a killed copy comes back at the next start when it was not
    // saved: positions, header, name, the lock, still to be saved. Work that
    // was saved, or that the user does not want, goes with its database.
    // Of two, the newer is asked about and the other stays for a later start.
    void crashedCopysUnsavedWorkComesBack_data()
    {
        QTest::addColumn<QString>("opened"); // empty: a new specification
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("heldElsewhere"); // by a running copy
        QTest::addColumn<bool>("newerCopy");     // with a new specification, edited
        QTest::addColumn<int>("daysLater");
        const QString file = QStringLiteral("работа.СО");
        QTest::newRow("edited file, Да") << file << true << true << false << false << 0;
        QTest::newRow("nothing unsaved") << file << false << true << false << false << 0;
        QTest::newRow("new, never saved, a day later")
            << QString() << true << true << false << false << 1;
        QTest::newRow("edited file, Нет") << file << true << false << false << false << 0;
        QTest::newRow("file another copy has open") << file << true << true << true << false << 0;
        QTest::newRow("two copies") << file << true << true << false << true << 0;
    }

    void crashedCopysUnsavedWorkComesBack()
    {
        QFETCH(QString, opened);
        QFETCH(bool, edited);
        QFETCH(bool, answer);
        QFETCH(bool, heldElsewhere);
        QFETCH(bool, newerCopy);
        QFETCH(int, daysLater);
        QTemporaryDir folder;
        const QString file =
            opened.isEmpty()
                ? QString()
                : writeFile(opened, {QStringLiteral("ВК-160"), QStringLiteral("ВР-4")});
        const auto crash = [&](const QString &specification, bool edit) {
            QProcess copy;
            copy.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--edit"), folder.path(), m_catalogue, m_template,
                        specification.isEmpty() ? QStringLiteral("-") : specification,
                        edit ? QStringLiteral("1") : QStringLiteral("0")});
            QVERIFY(copy.waitForReadyRead(20000));
            QCOMPARE(copy.readAll(), QByteArray("ready\n"));
            copy.kill();
            QVERIFY(copy.waitForFinished());
        };
        crash(file, edited);
        if (newerCopy)
            crash(QString(), true);
        if (!file.isEmpty())
            QVERIFY(isLocked(file));

        const QList<Recovery::Unsaved> unsaved = Recovery::findUnsaved({folder.path()});
        QCOMPARE(unsaved.size(), int(edited) + int(newerCopy));
        // Whatever is decided, the file the killed copy had locked is free.
        if (!file.isEmpty())
            QCOMPARE(ownBits(file), kOrdinary);
        std::unique_ptr<SpecificationLock> other;
        if (heldElsewhere)
            QVERIFY((other = SpecificationLock::take(file)));

        auto s = session();
        ScriptedPrompts prompts;
        prompts.answers = {answer};
        const bool comesBack = answer && !unsaved.isEmpty();
        QCOMPARE(guarded([&] {
                     return Recovery::offer(*s, prompts, unsaved,
                                            QDate::currentDate().addDays(daysLater));
                 }),
                 comesBack ? Outcome::Done : Outcome::Cancelled);
        QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(u'\n')));
        const QString broughtBack = newerCopy ? QString() : file;
        QCOMPARE(prompts.questions.size(), unsaved.isEmpty() ? 0 : 1);
        if (!unsaved.isEmpty()) {
            const QString name = broughtBack.isEmpty() ? kNewSpecificationName
                                                       : QDir::toNativeSeparators(broughtBack);
            const QString time = unsaved.first().kept.changedAt.toString(
                daysLater ? QStringLiteral("dd.MM.yyyy HH:mm") : QStringLiteral("HH:mm"));
            QCOMPARE(prompts.questions.first(),
                     QStringLiteral("Восстановить несохранённую спецификацию «%1» (изменена %2)?")
                         .arg(name, time));
        }
        // The older copy's database stays for the next start to find.
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left.size(), newerCopy ? 2 : 0);
        if (newerCopy) {
            const QList<Recovery::Unsaved> later = Recovery::findUnsaved({folder.path()});
            QCOMPARE(later.size(), 1);
            QCOMPARE(later.first().kept.name, file);
            Recovery::letGo(later);
        }

        SpecificationDocument &document = s->document();
        QCOMPARE(document.isModified(), comesBack);
        QCOMPARE(document.undoStack().count(), 0);
        if (!comesBack) {
            QCOMPARE(positions(*s), 0);
            QVERIFY(document.name().isEmpty());
            if (!heldElsewhere && !file.isEmpty())
                QVERIFY(!QFile::exists(SpecificationLock::lockFilePath(file)));
            return;
        }
        const QList<Position> rows = document.positions().read();
        QCOMPARE(rows.size(), broughtBack.isEmpty() ? 1 : 2);
        QCOMPARE(rows.first().quantity, std::optional(7.5));
        QCOMPARE(document.header()[HeaderFields::Customer], QStringLiteral("ООО «Заказчик»"));
        if (broughtBack.isEmpty()) {
            QCOMPARE(document.name(), kNewSpecificationName);
            QVERIFY(!document.lock());
        } else {
            // Completed from the catalogue, as opening does.
            QCOMPARE(rows.first().caption, QStringLiteral("Воздуховод d=160"));
            QCOMPARE(document.header()[HeaderFields::CustomerMore],
                     QStringLiteral("поле 1 файла ") + opened);
            QCOMPARE(document.name(), heldElsewhere ? file + kReadOnlySuffix : file);
            QCOMPARE(document.lock() != nullptr, !heldElsewhere);
            QVERIFY(isLocked(file));
        }
        prompts.answers = {false};
        QCOMPARE(saveOnLeaving(*s, prompts), Outcome::Done);
    }

    // The crashes that left a file read-only for good: in a folder that takes
    // no lock file (the permission alone held the lock), and of another
    // user's copy (its lock file is not writable to the next user). Copies
    // run as the unprivileged users "nobody" and "daemon".
    void crashOfAnotherUserOrFolderLeavesNothingLocked_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<uint>("nextUser");
        QTest::newRow("read-only folder, the same user starts again") << true << 65534u;
        QTest::newRow("another user's lock file") << false << 1u;
    }

    void crashOfAnotherUserOrFolderLeavesNothingLocked()
    {
#ifndef Q_OS_UNIX
        QSKIP("copies of other users are started with POSIX calls");
#else
        QFETCH(bool, readOnlyFolder);
        QFETCH(uint, nextUser);
        if (::geteuid() != 0)
            QSKIP("copies of other users can be started by the administrator only");
        constexpr uint kNobody = 65534;
        // Folders every user of the test reaches.
        QTemporaryDir base(QStringLiteral("/tmp/kvintor-users-XXXXXX"));
        QVERIFY(QFile::setPermissions(base.path(), kOrdinary | QFileDevice::ExeOwner |
                                                       QFileDevice::ExeGroup |
                                                       QFileDevice::ExeOther));
        const auto folderOf = [&](const QString &name, uint owner) {
            const QString folder = base.filePath(name);
            QDir().mkpath(folder);
            ::chown(QFile::encodeName(folder).constData(), owner, owner);
            return folder;
        };
        const QString shared = folderOf(QStringLiteral("общая папка"), kNobody);
        const QString file = QDir(shared).filePath(QStringLiteral("файл.СО"));
        QVERIFY(
            QFile::copy(writeFile(QStringLiteral("пример.СО"), {QStringLiteral("ВК-160")}), file));
        const QFileDevice::Permissions everybody =
            kOrdinary | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (readOnlyFolder) {
            // The file is the user's own; the folder takes nothing new.
            ::chown(QFile::encodeName(file).constData(), kNobody, kNobody);
            QVERIFY(QFile::setPermissions(file, kOrdinary));
            QVERIFY(QFile::setPermissions(shared, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                      QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        } else {
            // A file of somebody else that all may write, in a folder all may.
            QVERIFY(QFile::setPermissions(file, everybody));
            QVERIFY(QFile::setPermissions(shared, everybody | QFileDevice::ExeOwner |
                                                      QFileDevice::ExeGroup |
                                                      QFileDevice::ExeOther));
        }
        const QString templateCopy = QDir(base.path()).filePath(QStringLiteral("dorvik.dat"));
        QVERIFY(QFile::copy(m_template, templateCopy));
        QFile::setPermissions(templateCopy, kOrdinary);
        const auto asUser = [&](QProcess &process, uint user, const QStringList &arguments) {
            const QString home = folderOf(QStringLiteral("home-%1").arg(user), user);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), home);
            environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
            process.setProcessEnvironment(environment);
            process.setChildProcessModifier([user] {
                if (::setgid(user) != 0 || ::setuid(user) != 0)
                    ::_exit(3);
            });
            process.start(QCoreApplication::applicationFilePath(), arguments);
        };

        QProcess crashing;
        const QString work = folderOf(QStringLiteral("work-nobody"), kNobody);
        asUser(crashing, kNobody, {QStringLiteral("--hold"), work, file, templateCopy});
        QVERIFY(crashing.waitForReadyRead(20000));
        QCOMPARE(crashing.readAll(), QByteArray("locked\n"));
        QCOMPARE(QFileInfo::exists(SpecificationLock::lockFilePath(file)), !readOnlyFolder);
        crashing.kill();
        QVERIFY(crashing.waitForFinished());

        QProcess next;
        const QString nextWork = folderOf(QStringLiteral("work-%1").arg(nextUser), nextUser);
        asUser(next, nextUser,
               {QStringLiteral("--start"), nextUser == kNobody ? work : nextWork, file});
        QVERIFY(next.waitForFinished(20000));
        QCOMPARE(next.readAllStandardOutput(), QByteArray("locked\n"));
        QCOMPARE(ownBits(file), readOnlyFolder ? kOrdinary : everybody);
        QVERIFY(!QFileInfo::exists(SpecificationLock::lockFilePath(file)));
#endif
    }
};

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--hold") == 0)
        return holdLikeACopyThatWillCrash(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--start") == 0)
        return startAndLock(argc, argv);
    if (argc == 7 && qstrcmp(argv[1], "--edit") == 0)
        return editLikeACopyThatWillCrash(argc, argv);
    QApplication app(argc, argv);
    SpecificationCommandsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_specificationcommands.moc"
