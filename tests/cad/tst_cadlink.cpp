#include "AppError.h"
#include "BridgeCadLink.h"
#include "CadWait.h"
#include "CodePage1251.h"
#include "DrawingExchange.h"
#include "ErrorReport.h"
#include "HeaderFields.h"
#include "NoCadLink.h"
#include "PositionsTable.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A wait shown as the program would, called off at the given turn.
class ScriptedWait final : public CadWait {
public:
    int cancelAt = -1; // never
    QStringList begun;
    int proceeds = 0;
    int ended = 0;

    void begin(const QString &what) override { begun << what; }
    bool proceed() override { return ++proceeds != cancelAt; }
    void end() override { ++ended; }
};

// The CAD link through a fake bridge that records every call it gets.
class CadLinkTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_bridge;

    void setFile(const QString &name, const QByteArray &contents)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    // A session with an empty catalogue and working database in folder.
    static void openSession(Session &session, const QTemporaryDir &folder)
    {
        session.setCatalogueFile(folder.filePath(QStringLiteral("goods.mdb")));
        TestSupport::makeCatalogue(session.catalogueFile(), {});
        TestSupport::makeTemplate(folder.filePath(QStringLiteral("template.dat")));
        TestSupport::openFreshWorkingDatabase(session, folder.path(),
                                              folder.filePath(QStringLiteral("template.dat")));
    }

    QStringList calls()
    {
        QFile file(m_dir.filePath(QStringLiteral("calls.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
#ifndef Q_OS_UNIX
        QSKIP("the stand-in bridge is a shell script");
#endif
        m_bridge = m_dir.filePath(QStringLiteral("fake bridge.sh"));
        setFile(QStringLiteral("fake bridge.sh"), R"sh(#!/bin/sh
dir=$(dirname "$0")
for a in "$@"; do printf '[%s]' "$a" >> "$dir/calls.log"; done
echo >> "$dir/calls.log"
status() { cat "$dir/$1.status" 2>/dev/null || echo 0; }
[ -f "$dir/$1.delay" ] && sleep "$(cat "$dir/$1.delay")"
if [ -f "$dir/$1.hang" ]; then sleep 60 & echo $! > "$dir/hung.pid"; wait; fi
case "$1" in
  attach|start) [ "$(status $1)" = 0 ] || echo "$1: САПР не найдена" >&2; exit $(status $1) ;;
  fullname) cat "$dir/fullname.txt" 2>/dev/null; exit $(status fullname) ;;
  send) [ -f "$dir/Чертёж.tmp" ] && cp "$dir/Чертёж.tmp" "$dir/at-send.tmp"
        exit $(status send) ;;
esac
exit 3
)sh");
        QFile::setPermissions(m_bridge, QFile::permissions(m_bridge) | QFile::ExeOwner);
    }

    void init()
    {
        for (const char *name : {"calls.log", "attach.status", "start.status", "fullname.txt",
                                 "fullname.status", "send.status", "Чертёж.tmp", "at-send.tmp",
                                 "attach.delay", "attach.hang", "send.hang", "hung.pid"})
            QFile::remove(m_dir.filePath(QString::fromUtf8(name)));
    }

    void quietAttachReportsWithoutMessages()
    {
        BridgeCadLink link(m_bridge);
        QVERIFY(link.attachQuietly());
        QVERIFY(link.isAttached());
        setFile(QStringLiteral("attach.status"), "1");
        QVERIFY(!link.attachQuietly());
        QVERIFY(!link.isAttached());
        QCOMPARE(calls(), (QStringList{QStringLiteral("[attach]"), QStringLiteral("[attach]")}));

        BridgeCadLink missing(m_dir.filePath(QStringLiteral("no-such-bridge")));
        QVERIFY(!missing.attachQuietly());
    }

    void attachOrStartFallsBackToStarting()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("attach.status"), "1");
        link.attachOrStart();
        QVERIFY(link.isAttached());
        QCOMPARE(calls(), (QStringList{QStringLiteral("[attach]"), QStringLiteral("[start]")}));
        link.release();
        QVERIFY(!link.isAttached());
    }

    void attachOrStartFailureCarriesTheBridgesWords()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("attach.status"), "1");
        setFile(QStringLiteral("start.status"), "2");
        try {
            link.attachOrStart();
            QFAIL("a failed start went unnoticed");
        } catch (const AppError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("start: САПР не найдена")),
                     qPrintable(error.message()));
        }
        QVERIFY(!link.isAttached());
    }

    void drawingNameAndCommandsPassUntouched()
    {
        BridgeCadLink link(m_bridge);
        setFile(QStringLiteral("fullname.txt"), "/проекты/Дом 5/ОВ-1.dwg\n");
        QCOMPARE(link.activeDrawingFullName(), QStringLiteral("/проекты/Дом 5/ОВ-1.dwg"));
        setFile(QStringLiteral("fullname.txt"), "");
        QCOMPARE(link.activeDrawingFullName(), QString());

        const QString command = QStringLiteral("(Kvintor-findblock \"ВК-160 'x'\")\r");
        link.sendCommand(command);
        QCOMPARE(calls().last(), QStringLiteral("[send][%1]").arg(command));

        setFile(QStringLiteral("send.status"), "1");
        QVERIFY_THROWS_EXCEPTION(AppError, link.sendCommand(QStringLiteral("(dorvik_import 0)\r")));
        setFile(QStringLiteral("fullname.status"), "1");
        QVERIFY_THROWS_EXCEPTION(AppError, link.activeDrawingFullName());
    }

    void withoutBridgeOnlyTheQuietAttachIsSilent()
    {
        QVERIFY(dynamic_cast<NoCadLink *>(CadLink::create(QStringLiteral("  ")).get()));
        QVERIFY(dynamic_cast<BridgeCadLink *>(CadLink::create(m_bridge).get()));
        NoCadLink none;
        QVERIFY(!none.attachQuietly());
        try {
            none.attachOrStart();
            QFAIL("no CAD program, yet attached");
        } catch (const AppError &error) {
            QVERIFY(error.message().contains(QStringLiteral("САПР")));
        }
        QVERIFY_THROWS_EXCEPTION(AppError, none.activeDrawingFullName());
    }

    // "Экспорт в Acad": the exchange file beside the drawing, complete when
    // the import command goes; a drawing without a file and a text the code
    // page cannot hold write and send nothing.
    void exportWritesTheFileThenSendsTheImport()
    {
        Session session;
        const QTemporaryDir databases;
        openSession(session, databases);
        Position position;
        position.number = 3;
        position.name = QStringLiteral("ВК-160 'x'");
        position.quantity = 2.5;
        position.mass = QStringLiteral("0,5");
        position.group = QStringLiteral("Воздуховоды");
        session.document().positions().insert(position);
        BridgeCadLink link(m_bridge);
        ScriptedPrompts prompts;
        int hidden = 0;
        const auto hide = [&] { ++hidden; };

        setFile(QStringLiteral("fullname.txt"),
                m_dir.filePath(QStringLiteral("Чертёж.dwg")).toUtf8());
        QVERIFY(DrawingExchange::exportToDrawing(session, link, prompts, hide));
        QCOMPARE(calls().last(), QStringLiteral("[send][(dorvik_import 0)\r]"));
        QCOMPARE(hidden, 1);
        QFile sent(m_dir.filePath(QStringLiteral("at-send.tmp")));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        const QStringList lines =
            CodePage1251::decode(sent.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 22 + 12 + 1); // the last line ends too
        QCOMPARE(lines.mid(22), (QStringList{"3", "ВК-160 'x'", "2.5", "", "", "", "", "", "0,5",
                                             "", "Воздуховоды", "", ""}));

        QCOMPARE(prompts.notices,
                 QStringList{QStringLiteral("Файл обмена %1 записан, позиций: 1. Программе САПР "
                                            "передана команда импорта.")
                                 .arg(m_dir.filePath(QStringLiteral("Чертёж.tmp")))});

        QFile::remove(m_dir.filePath(QStringLiteral("at-send.tmp")));
        prompts.notices.clear();
        position.caption = QStringLiteral("Воздуховод ☺");
        session.document().positions().insert(position);
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 DrawingExchange::exportToDrawing(session, link, prompts, hide));
        setFile(QStringLiteral("fullname.txt"), "");
        QVERIFY(!DrawingExchange::exportToDrawing(session, link, prompts, hide));
        QCOMPARE(prompts.notices, QStringList{DrawingExchange::kNoDrawingFile});
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("at-send.tmp"))));
        QCOMPARE(hidden, 1);
    }

    // The exchange file holds a value to a line, whatever the value holds:
    // line breaks become blanks, characters code page 1251 lacks their
    // nearest spelling; a character without one is refused, named with its
    // position and code.
    void exchangeFileKeepsOneValueALine_data()
    {
        QTest::addColumn<QString>("customer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("maker");
        QTest::addColumn<QStringList>("lines"); // customer, caption and maker lines
        QTest::addColumn<QStringList>("respelled");
        QTest::addColumn<QString>("refused");
        QTest::newRow("line breaks")
            << "ООО\r\nРога"
            << "Воздуховод\nd=160"
            << "Завод\r№1\u2028цех" << QStringList{"ООО  Рога", "Воздуховод d=160", "Завод №1 цех"}
            << QStringList{"поз. 1 ВК-160: «\u2028» → « »"} << QString();
        QTest::newRow("catalogue's own")
            << "Дом²"
            << "Вентилятор 500 м³/ч, Ø63, t ≤ 40 °С"
            << "−5…+5 × 2 μm"
            << QStringList{"Дом2", "Вентилятор 500 м3/ч, диам.63, t <= 40 °С", "-5…+5 x 2 µm"}
            << QStringList{"заголовок: «²» → «2»", "поз. 1 ВК-160: «³» → «3», «Ø» → «диам.», "
                                                   "«≤» → «<=», «−» → «-», «×» → «x», "
                                                   "«μ» → «µ»"}
            << QString();
        QTest::newRow("no spelling") << "ООО"
                                     << "Клапан ☺ ≥ 2"
                                     << "Завод 😀" << QStringList() << QStringList()
                                     << "поз. 1 ВК-160: «☺» (U+263A), «😀» (U+1F600)";
        QTest::newRow("no spelling in header")
            << "Дом ☺"
            << "Клапан"
            << "" << QStringList() << QStringList() << "заголовок: «☺» (U+263A)";
    }

    void exchangeFileKeepsOneValueALine()
    {
        QFETCH(QString, customer);
        QFETCH(QString, caption);
        QFETCH(QString, maker);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, respelled);
        QFETCH(QString, refused);
        Session session;
        const QTemporaryDir databases;
        openSession(session, databases);
        HeaderFields header;
        header[HeaderFields::Customer] = customer;
        session.document().setHeader(header);
        Position position;
        position.number = 1;
        position.name = QStringLiteral("ВК-160");
        position.caption = caption;
        position.maker = maker;
        session.document().positions().insert(position);
        position.number = 2;
        position.name = QStringLiteral("ВК-200");
        position.caption = position.maker = QString();
        session.document().positions().insert(position);

        try {
            const DrawingExchange::ExchangeFile file = DrawingExchange::exchangeFile(session);
            QVERIFY2(refused.isEmpty(), "a character without a spelling went through");
            QStringList written;
            for (const DrawingExchange::Respelled &place : file.respelled)
                written << DrawingExchange::respelledLine(place);
            QCOMPARE(written, respelled);
            QVERIFY(CodePage1251::canEncode(CodePage1251::decode(file.bytes)));
            QStringList read = CodePage1251::decode(file.bytes).split(QStringLiteral("\r\n"));
            QCOMPARE(read.takeLast(), QString()); // the last line ends too
            QCOMPARE(read.size(), 22 + 12 * 2);
            QCOMPARE((QStringList{read[1], read[22 + 4], read[22 + 7]}), lines);
            QCOMPARE(read.mid(22 + 12, 2), (QStringList{"2", "ВК-200"}));
        } catch (const AppError &error) {
            QVERIFY2(!refused.isEmpty(), qPrintable(error.message()));
            QVERIFY2(error.message().endsWith(u'\n' + refused), qPrintable(error.message()));
        }
    }

    // Every character of the bundled catalogue reaches the drawing.
    void bundledGoodsAreSpelled()
    {
        QFile seed(QStringLiteral(KV_SOURCE_DIR "/resources/catalogue.tsv"));
        QVERIFY(seed.open(QIODevice::ReadOnly));
        const CodePage1251::Spelling spelling =
            CodePage1251::nearestSpelling(QString::fromUtf8(seed.readAll()));
        QCOMPARE(spelling.missing, QList<char32_t>());
        QVERIFY(CodePage1251::canEncode(spelling.text));
    }

    // A slow bridge is waited for through the program's wait, which may
    // call it off: the bridge is stopped, the export ends without a word,
    // and nothing is sent.
    void slowBridgeIsWaitedForAndCancelled_data()
    {
        QTest::addColumn<QString>("slowFile");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<int>("waits");
        QTest::addColumn<bool>("written");
        QTest::newRow("answered") << "attach.delay" << -1 << 3 << true;
        QTest::newRow("cancelled while attaching") << "attach.hang" << 3 << 1 << false;
        QTest::newRow("cancelled while sending") << "send.hang" << 3 << 3 << true;
    }

    void slowBridgeIsWaitedForAndCancelled()
    {
        QFETCH(QString, slowFile);
        QFETCH(int, cancelAt);
        QFETCH(int, waits);
        QFETCH(bool, written);
        Session session;
        const QTemporaryDir databases;
        openSession(session, databases);
        setFile(slowFile, "0.3");
        setFile(QStringLiteral("fullname.txt"),
                m_dir.filePath(QStringLiteral("Чертёж.dwg")).toUtf8());
        BridgeCadLink link(m_bridge);
        ScriptedWait wait;
        wait.cancelAt = cancelAt;
        link.setWait(&wait);
        ScriptedPrompts prompts;
        QStringList errors;
        ErrorReport::setSink([&](const QString &message) { errors << message; });

        const bool done = ErrorReport::guard(
            [&] { DrawingExchange::exportToDrawing(session, link, prompts, {}); });
        ErrorReport::setSink({});
        QCOMPARE(done, cancelAt < 0);
        QCOMPARE(errors, QStringList());
        QCOMPARE(prompts.notices.size(), done ? 1 : 0);
        QCOMPARE(wait.begun.size(), waits);
        QCOMPARE(wait.ended, waits);
        QVERIFY(wait.proceeds > 0);
        QCOMPARE(QFile::exists(m_dir.filePath(QStringLiteral("Чертёж.tmp"))), written);
        if (!done) {
            // What the bridge started is stopped with it: gone, or a zombie
            // left for init to reap.
            QFile pid(m_dir.filePath(QStringLiteral("hung.pid")));
            QVERIFY(pid.open(QIODevice::ReadOnly));
            const QByteArray hung = pid.readAll().trimmed();
            const auto running = [&] {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(QLatin1String(hung)));
                return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
            };
            QTRY_VERIFY(!running());
            QCOMPARE(calls().filter(QStringLiteral("[send]")).size(), written ? 1 : 0);
        }
    }

    // The block name goes in as a LISP string: quotes and backslashes
    // escaped, so that it cannot end the string and add a command.
    void findCommandQuotesTheName()
    {
        QCOMPARE(DrawingExchange::findBlockCommand(QStringLiteral("Узел \"А\") (command \"x\\")),
                 QStringLiteral("(Kvintor-findblock \"Узел \\\"А\\\") (command \\\"x\\\\\")\r"));
    }

    // Numbers by block name (letter case aside, apostrophes included), 0 for
    // the rest. The file is read with every check of the specification
    // reader: one that is not a specification, or is damaged, changes
    // nothing.
    void synchronisationNumbersByName_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("refusedLine"); // 0: taken
        QTest::addColumn<QList<qint64>>("numbers");
        QStringList header{QStringLiteral("// Заголовок")};
        header << QStringList(20) << QStringLiteral("// Начало базы");
        const QStringList first{"5", "0", "Д'арси", "1", "", "", "", ""};
        const QStringList second{"", "0", "вк-160", "1", "", "", "", ""};
        QTest::newRow("numbers by name") << header + first + second << 0 << QList<qint64>{0, 0, 5};
        QTest::newRow("last record without its empty line")
            << header + first + second.first(7) << 0 << QList<qint64>{0, 0, 5};
        QStringList broken = second;
        broken[0] = QStringLiteral("7,5");
        QTest::newRow("number not whole")
            << header + first + broken << 31 << QList<qint64>{9, 9, 9};
        QTest::newRow("any other text")
            << QStringList(40, QStringLiteral("просто текст")) << 1 << QList<qint64>{9, 9, 9};
        QTest::newRow("record cut short")
            << header + first + second.first(3) << 31 << QList<qint64>{9, 9, 9};
    }

    void synchronisationNumbersByName()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, refusedLine);
        QFETCH(QList<qint64>, numbers);
        Session session;
        const QTemporaryDir databases;
        openSession(session, databases);
        for (const QString &name :
             {QStringLiteral("д'Арси"), QStringLiteral("ВК-160"), QStringLiteral("Прочее")}) {
            Position position;
            position.name = name;
            position.number = 9;
            session.document().positions().insert(position);
        }
        setFile(QStringLiteral("sync.СО"),
                CodePage1251::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
        const QString file = m_dir.filePath(QStringLiteral("sync.СО"));
        try {
            QCOMPARE(DrawingExchange::synchronise(session, file), 2);
            QCOMPARE(refusedLine, 0);
        } catch (const AppError &error) {
            QCOMPARE(error.file(), file);
            QCOMPARE(error.line(), refusedLine);
        }
        QList<qint64> found;
        for (const Position &position : session.document().positions().read())
            found << position.number.value_or(-1);
        QCOMPARE(found, numbers);
    }
};

QTEST_GUILESS_MAIN(CadLinkTest)
#include "tst_cadlink.moc"
