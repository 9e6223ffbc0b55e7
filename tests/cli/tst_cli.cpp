#include "CodePage1251.h"
#include "HeaderFields.h"
#include "PostgresServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// kvintor-cli as a script meets it: the real program in its program folder,
// its output streams and its exit status.
class CliTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    struct Result {
        int status = -1;
        QString out;
        QString err;
    };

    // Runs in the test folder, with settings of its own whose `path` names
    // the test catalogue's folder.
    QProcessEnvironment environment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        environment.insert(QStringLiteral("HOME"), m_dir.filePath("home"));
        environment.insert(QStringLiteral("TMPDIR"), m_dir.filePath("tmp"));
        return environment;
    }

    Result run(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KV_CLI), arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // Header lines, then eight lines a position: number, group, name,
    // quantity, unit, caption, remark and the closing empty line.
    static QString text(const QList<QStringList> &positions)
    {
        QStringList lines{QStringLiteral("// Заголовок")};
        for (int field = 0; field < HeaderFields::kStoredCount; ++field)
            lines << QStringLiteral("поле %1").arg(field + 1);
        lines << QStringLiteral("// Начало базы");
        for (const QStringList &position : positions)
            lines << position << QString();
        return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    }

    static QByteArray cp1251(const QList<QStringList> &positions)
    {
        return CodePage1251::encode(text(positions));
    }

    void put(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QByteArray contents(const QString &name)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A bad quantity in the second position: line 22 + 8 + 4.
    static QByteArray refusedFile()
    {
        return cp1251({{"1", "0", "Клапан КО", "1", "Шт", "", ""},
                       {"2", "0", "Клапан КО", "много", "Шт", "", ""}});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath("catalogue"));
        QVERIFY(QDir(m_dir.path()).mkpath("config"));
        QVERIFY(QDir(m_dir.path()).mkpath("tmp"));
        // Letter case differs between a good's group and the group order, as
        // it may in a catalogue kept by hand.
        TestSupport::makeCatalogue(
            m_dir.filePath("catalogue/dorvik-Vent.mdb"),
            {{QStringLiteral("Вентилятор ВК-1"), QStringLiteral("Вентилятор канальный"),
              QStringLiteral("Шт"), 100.0, QStringLiteral("5"), QStringLiteral("ВК"),
              QStringLiteral("001"), QStringLiteral("Ровен"), QStringLiteral("ВЕНТИЛЯТОРЫ")},
             {QStringLiteral("Клапан КО"), QStringLiteral("Клапан обратный"), QStringLiteral("Шт"),
              20.0, QStringLiteral("1"), QStringLiteral("КО"), QStringLiteral("002"),
              QStringLiteral("Ровен"), QStringLiteral("Клапаны")}},
            {QStringLiteral("Воздуховоды"), QStringLiteral("Вентиляторы")});
        put("config/Kvintor.conf",
            "[General]\npath=" + m_dir.filePath("catalogue").toUtf8() + "\n");
        put("good.СО", cp1251({{"1", "0", "вентилятор вк-1", "2", "Шт", "", ""},
                               {"2", "0", "Клапан КО", "1", "Шт", "", ""},
                               {"3", "0", "Решётка АМН", "4", "Шт", "", ""},
                               {"4", "0", "РЕШЁТКА амн", "2", "Шт", "", ""}}));
        put("bad.СО", refusedFile());
        put("notadb.mdb", "Name\tCaption\n");
        // Files that are no plain files: read, they would never end.
        QVERIFY(QDir(m_dir.path()).mkpath("folder.СО"));
#ifdef Q_OS_UNIX
        for (const char *pipe : {"pipe.СО", "pipe.mdb"})
            QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(pipe)).constData(), 0600), 0);
#endif
    }

    void check_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // a pattern

        const QString good =
            QStringLiteral("good.СО: позиций 4, нет в базе товара 1, без группы 3\n"
                           "  нет в базе товара: Решётка АМН\n"
                           "  без группы: поз. 2 Клапан КО\n"
                           "  без группы: поз. 3 Решётка АМН\n"
                           "  без группы: поз. 4 РЕШЁТКА амн\n");
        QTest::newRow("catalogue from the settings, letter case ignored")
            << QStringList{"check", "good.СО"} << 0 << good << "^$";
        QTest::newRow("a refused file is one line, the next file is still checked")
            << QStringList{"check", "bad.СО", "good.СО"} << 1 << good
            << "^bad\\.СО:34: [^\\n]+\\n$";
        QTest::newRow("a missing file has no line")
            << QStringList{"check", "absent.СО"} << 1 << QString() << "^absent\\.СО: [^\\n]+\\n$";
        const QString notRegular = QStringLiteral(": [^\\n]*не является обычным файлом[^\\n]*\\n$");
        QTest::newRow("a folder") << QStringList{"check", "folder.СО"} << 1 << QString()
                                  << "^folder\\.СО" + notRegular;
#ifdef Q_OS_UNIX
        QTest::newRow("a named pipe")
            << QStringList{"check", "pipe.СО"} << 1 << QString() << "^pipe\\.СО" + notRegular;
        QTest::newRow("a device") << QStringList{"check", "/dev/zero"} << 1 << QString()
                                  << "^/dev/zero" + notRegular;
        QTest::newRow("a named pipe for a catalogue")
            << QStringList{"check", "--catalogue", "pipe.mdb", "good.СО"} << 1 << QString()
            << "^pipe\\.mdb" + notRegular;
#endif
        QTest::newRow("--catalogue overrides the settings")
            << QStringList{"check", "--catalogue", "notadb.mdb", "good.СО"} << 1 << QString()
            << "^notadb\\.mdb: [^\\n]+\\n$";
    }

    void check()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result result = run(arguments);
        QCOMPARE(result.out, out);
        QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
        QCOMPARE(result.status, status);
    }

    void save_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("oldTarget"); // made read-only; null: no target yet
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("written"); // null: the target must not exist
        QTest::addColumn<QString>("err");        // a pattern

        const QByteArray utf8 =
            "\xEF\xBB\xBF" + text({{"1", "0", "вентилятор вк-1", "2,5", "", "", "примечание"},
                                   {"2", "3", "Решётка АМН", "", "Шт", "подпись", ""}})
                                 .toUtf8();
        // Completed from the catalogue; a good outside it keeps its description.
        const QByteArray saved = cp1251(
            {{"1", "0", "вентилятор вк-1", "2.5", "Шт", "Вентилятор канальный", "примечание"},
             {"2", "3", "Решётка АМН", "0", "Шт", "подпись", ""}});
        const QByteArray old = cp1251({});

        QTest::newRow("UTF-8 with a mark is written in code page 1251")
            << utf8 << "out1.СО" << QByteArray() << 0 << saved << "^$";
        QTest::newRow("a read-only target stays as it was")
            << utf8 << "out2.СО" << old << 1 << old << "^out2\\.СО: [^\\n]+\\n$";
        QTest::newRow("a refused file writes nothing")
            << refusedFile() << "out3.СО" << QByteArray() << 1 << QByteArray()
            << "^in\\.СО:34: [^\\n]+\\n$";
    }

    void save()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, target);
        QFETCH(QByteArray, oldTarget);
        QFETCH(int, status);
        QFETCH(QByteArray, written);
        QFETCH(QString, err);
        put("in.СО", source);
        if (!oldTarget.isNull()) {
            put(target, oldTarget);
            QVERIFY(QFile::setPermissions(m_dir.filePath(target), QFileDevice::ReadOwner));
        }
        const Result result =
            run({"save", "--catalogue", "catalogue/dorvik-Vent.mdb", "in.СО", "-o", target});
        QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
        QCOMPARE(result.status, status);
        QCOMPARE(QFile::exists(m_dir.filePath(target)), !written.isNull());
        QCOMPARE(contents(target), written);
    }

    // Numbered group by group in the catalogue's order (letter case
    // ignored), the undefined ones last and named; --clean drops the empty.
    void sort_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("err"); // a pattern
        QTest::newRow("numbered")
            << QStringList{}
            << cp1251({{"1", "1", "вентилятор вк-1", "2", "Шт", "Вентилятор канальный", ""},
                       {"2", "999", "Клапан КО", "0", "Шт", "Клапан обратный", ""},
                       {"3", "999", "Решётка АМН", "3", "Шт", "подпись", ""}})
            << "^in\\.СО: [^\\n]+\n  поз\\. 2 Клапан КО\n  поз\\. 3 Решётка АМН\n$";
        QTest::newRow("cleaned first")
            << QStringList{"--clean"}
            << cp1251({{"1", "1", "вентилятор вк-1", "2", "Шт", "Вентилятор канальный", ""}})
            << "^$";
    }

    void sort()
    {
        QFETCH(QStringList, flags);
        QFETCH(QByteArray, written);
        QFETCH(QString, err);
        put("in.СО", cp1251({{"7", "0", "Клапан КО", "0", "Шт", "", ""},
                             {"8", "0", "вентилятор вк-1", "2", "Шт", "", ""},
                             {"9", "0", "Решётка АМН", "3", "Шт", "подпись", ""}}));
        QFile::remove(m_dir.filePath("sorted.СО"));
        const Result result = run(QStringList{"sort", "in.СО", "-o", "sorted.СО"} + flags);
        QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
        QCOMPARE(result.status, 0);
        QCOMPARE(contents("sorted.СО"), written);
    }

    // Quantities times the coefficient proposed by the name or given with
    // "=N", merged by name; a bad file among them writes nothing.
    void combine()
    {
        put("part (2 шт).СО", cp1251({{"1", "0", "Клапан КО", "1,5", "Шт", "", "в узле"},
                                      {"2", "3", "Решётка АМН", "1", "Шт", "подпись", ""},
                                      {"3", "0", "клапан ко", "1", "Шт", "", ""}}));
        put("less.СО", cp1251({{"5", "0", "КЛАПАН КО", "1", "Шт", "", ""}}));
        Result result =
            run({"combine", "-o", "sum.СО", "part (2 шт).СО", "less.СО=-1", "part (2 шт).СО=0"});
        QCOMPARE(result.err, QString());
        QCOMPARE(result.status, 0);
        QCOMPARE(contents("sum.СО"),
                 cp1251({{"1", "0", "Клапан КО", "4", "Шт", "Клапан обратный", "в узле"},
                         {"2", "3", "Решётка АМН", "2", "Шт", "подпись", ""}}));

        result = run({"combine", "-o", "none.СО", "part (2 шт).СО", "bad.СО"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.startsWith(QStringLiteral("bad.СО:34: ")), qPrintable(result.err));
        QVERIFY(!QFile::exists(m_dir.filePath("none.СО")));
    }

    // The numbers of a second file given to the positions by block name; a
    // second file that is no specification is refused and nothing written.
    void sync_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<QByteArray>("written"); // null: nothing written
        QTest::addColumn<QString>("err");        // a pattern
        QTest::newRow("numbers by name")
            << cp1251({{"12", "0", "КЛАПАН КО", "1", "Шт", "", ""}})
            << cp1251({{"0", "0", "вентилятор вк-1", "2", "Шт", "Вентилятор канальный", ""},
                       {"12", "0", "Клапан КО", "1", "Шт", "Клапан обратный", ""}})
            << "^$";
        QTest::newRow("any other text")
            << QByteArray("x\ny\n").repeated(20) << QByteArray() << "^numbers\\.СО:1: [^\\n]+\\n$";
    }

    void sync()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(QByteArray, written);
        QFETCH(QString, err);
        put("in.СО", cp1251({{"1", "0", "вентилятор вк-1", "2", "Шт", "", ""},
                             {"2", "0", "Клапан КО", "1", "Шт", "", ""}}));
        put("numbers.СО", numbers);
        QFile::remove(m_dir.filePath("synced.СО"));
        const Result result = run({"sync", "in.СО", "numbers.СО", "-o", "synced.СО"});
        QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
        QCOMPARE(result.status, written.isNull() ? 1 : 0);
        QCOMPARE(QFile::exists(m_dir.filePath("synced.СО")), !written.isNull());
        QCOMPARE(contents("synced.СО"), written);
    }

    // The reports as PDF pages: the sheet on A3 with the stage given and
    // each position once; an estimate of nothing is refused and not written.
    void reports()
    {
        put("in.СО", cp1251({{"1", "1", "вентилятор вк-1", "2", "Шт", "", ""},
                             {"2", "1", "Клапан КО", "3", "Шт", "", ""}}));
        Result result = run({"sheet", "in.СО", "-o", "sheet.pdf", "--stage", "ПД"});
        QCOMPARE(result.err, QString());
        QCOMPARE(result.status, 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {m_dir.filePath("sheet.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString pages = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(pages.count(QStringLiteral("Вентилятор канальный")), 1);
        QCOMPARE(pages.count(QStringLiteral("Клапан обратный")), 1);
        QVERIFY(pages.contains(QStringLiteral("ПД")));

        put("empty.СО", cp1251({}));
        result = run({"estimate", "empty.СО", "-o", "estimate.pdf"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.startsWith(QStringLiteral("empty.СО: ")), qPrintable(result.err));
        QVERIFY(!QFile::exists(m_dir.filePath("estimate.pdf")));
    }

    // The workbook as a spreadsheet reads it: headings bold and underlined,
    // each position once under its group (those outside the catalogue under
    // one empty heading, though they carry 999; a group without a number
    // first), numbers as number cells and codes such as "007" as texts.
    void workbook()
    {
        put("in.СО", cp1251({{"1", "1", "вентилятор вк-1", "2", "Шт", "", "007"},
                             {"2", "999", "Решётка АМН", "2,5", "Шт", "д'Арси", ""},
                             {"3", "999", "Узел У-1", "1", "компл.", "узел", ""},
                             {"4", "", "Клапан КО", "1", "Шт", "", ""}}));
        const Result result = run({"workbook", "in.СО", "-o", "book.xlsx"});
        QCOMPARE(result.err, QString());
        QCOMPARE(result.status, 0);
        // Each row from 7 on: its cells, "B" marking a bold underlined one
        // and "#" a number cell.
        const QString script = QStringLiteral(
            "import sys, openpyxl\n"
            "s = openpyxl.load_workbook(sys.argv[1]).active\n"
            "print(s.page_setup.paperSize, s.page_setup.orientation, s.print_title_rows)\n"
            "for row in s.iter_rows(min_row=7):\n"
            "    print('|'.join(('B' if c.font.b and c.font.u == 'single' else '') +\n"
            "        ('#' if c.data_type == 'n' and c.value is not None else '') +\n"
            "        ('' if c.value is None else str(c.value)) for c in row))\n");
        QProcess reader;
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), script, m_dir.filePath("book.xlsx")});
        QVERIFY(reader.waitForFinished(60000));
        const QString problems = QString::fromUtf8(reader.readAllStandardError());
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        const QStringList rows = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n');
        QCOMPARE(rows, (QStringList{"8 landscape $4:$6",
                                    // Its group has no number: it comes first.
                                    "|BКлапаны|||||||", "#4|Клапан обратный|КО|002|Ровен|Шт|#1|#1|",
                                    "||||||||", "|BВЕНТИЛЯТОРЫ|||||||",
                                    "#1|Вентилятор канальный|ВК|001|Ровен|Шт|#2|#5|007", "||||||||",
                                    "|B|||||||", "#2|д'Арси||||Шт|#2.5||", "#3|узел||||компл.|#1||",
                                    ""}));
    }

    // A price list imported as the report says, a dry run changing not a
    // byte; the catalogue exported and imported into an empty one gives the
    // same goods back, from CSV and from a workbook.
    void catalogueImportExport()
    {
        const QString catalogue = m_dir.filePath("import.mdb");
        QFile::copy(m_dir.filePath("catalogue/dorvik-Vent.mdb"), catalogue);
        put("price.csv", CodePage1251::encode(QStringLiteral("Артикул;Наименование;Цена, руб.\r\n"
                                                             "клапан ко;Клапан;21,5\r\n"
                                                             "Новый;Новинка;по запросу\r\n"
                                                             "Узел У-2;Узел;7\r\n")));
        const QByteArray before = contents("import.mdb");
        Result result =
            run({"catalogue", "import", "price.csv", "--catalogue", "import.mdb", "--dry-run"});
        QCOMPARE(result.err, QString());
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.contains(QStringLiteral("price.csv: обновится 1, добавится 1, "
                                                    "пропущено 1\n  строка 3: цена «по запросу» "
                                                    "— не число\n")),
                 qPrintable(result.out));
        QCOMPARE(contents("import.mdb"), before);

        result = run({"catalogue", "import", "price.csv", "--catalogue", "import.mdb"});
        QCOMPARE(result.status, 0);
        QCOMPARE(TestSupport::plainSqlite(catalogue, "SELECT Name || '=' || Cost FROM dorvik_data "
                                                     "WHERE Cost IN (21.5, 7) ORDER BY RowKey"),
                 (QStringList{"Клапан КО=21.5", "Узел У-2=7.0"}));
        QCOMPARE(run({"catalogue", "import", "price.csv", "--catalogue", "import.mdb", "--map",
                      "price=Цена"})
                     .status,
                 2);

        for (const QString &format : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
            const QString exported = "goods." + format;
            QCOMPARE(run({"catalogue", "export", "--catalogue", "import.mdb", "-o", exported}).out,
                     exported + QStringLiteral(": товаров 3\n"));
            const QString empty = m_dir.filePath("empty-" + format + ".mdb");
            TestSupport::makeCatalogue(empty, {});
            result = run({"catalogue", "import", exported, "--catalogue", empty});
            QVERIFY2(result.out.contains(QStringLiteral("обновится 0, добавится 3, пропущено 0")),
                     qPrintable(result.out + result.err));
            QCOMPARE(run({"catalogue", "export", "--catalogue", empty, "-o", "again.csv"}).status,
                     0);
            QCOMPARE(contents("again.csv"), contents("goods.csv"));
        }
        QCOMPARE(TestSupport::plainSqlite(catalogue, "PRAGMA integrity_check"), QStringList{"ok"});
    }

    // A run killed halfway leaves its temporary folder; the next run takes
    // it away, and nothing is left behind.
    void killedRunsLeaveNothing()
    {
        QList<QStringList> many;
        for (int i = 0; i < 60'000; ++i)
            many << QStringList{
                QString::number(i), "0", QStringLiteral("Клапан КО"), "1", "Шт", "", ""};
        put("many.СО", cp1251(many));
        QDir temp(m_dir.filePath("tmp"));
        const auto leftovers = [&] {
            return temp.entryList({QStringLiteral("kvintor-cli-*")},
                                  QDir::Dirs | QDir::NoDotAndDotDot);
        };
        QVERIFY(leftovers().isEmpty());
        QProcess killed;
        killed.setProcessEnvironment(environment());
        killed.setWorkingDirectory(m_dir.path());
        killed.start(QStringLiteral(KV_CLI), {"check", "many.СО"});
        // Killed once its working database is there.
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const QString &folder : leftovers())
                    if (!QDir(temp.filePath(folder)).entryList({"*.mdb"}).isEmpty())
                        return true;
                return false;
            },
            30000));
        killed.kill();
        QVERIFY(killed.waitForFinished(10000));
        QCOMPARE(leftovers().size(), 1);

        QCOMPARE(run({"check", "good.СО"}).status, 0);
        QCOMPARE(leftovers(), QStringList());
    }

    void catalogueCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("goods"); // the catalogue's goods afterwards: name caption

        const QString before = "Вентилятор ВК-1 Вентилятор канальный|Клапан КО Клапан обратный";
        // good.СО: two goods of the catalogue, in any letter case, completed
        // from it, and two positions of one name it lacks: one new good, with
        // the first spelling and the last description.
        QTest::newRow("update writes every position")
            << QStringList{"update", "good.СО"} << 0
            << "good.СО: Записано в базу товара: 3 товара, из них новых 1\n"
            << before + "|Решётка АМН РЕШЁТКА амн";
        QTest::newRow("a refused file writes nothing")
            << QStringList{"update", "bad.СО"} << 1 << QString() << before;
        QTest::newRow("catalogue check")
            << QStringList{"catalogue", "check"} << 0
            << "[^\\n]*\\.mdb: товаров 2, групп 2, без группы 1, одинаковых имён 0\\n"
               "  без группы: Клапан КО \\(группа «Клапаны»\\)\n"
            << before;
    }

    // The catalogue's commands, run on a copy of the test catalogue each.
    void catalogueCommands()
    {
        QFETCH(QStringList, arguments);
        const QString copy = m_dir.filePath(
            QStringLiteral("catalogue-%1.mdb").arg(QString::number(qHash(arguments.join(u' ')))));
        QFile::remove(copy);
        QVERIFY(QFile::copy(m_dir.filePath("catalogue/dorvik-Vent.mdb"), copy));
        const Result result = run(arguments + QStringList{"--catalogue", copy});
        QTEST(result.status, "status");
        QFETCH(QString, out);
        QVERIFY2(QRegularExpression("^" + out + "$").match(result.out).hasMatch(),
                 qPrintable(result.out));
        const QStringList goods = TestSupport::plainSqlite(
            copy, QStringLiteral("SELECT Name || ' ' || Caption FROM dorvik_data ORDER BY RowKey"));
        QTEST(goods.join(u'|'), "goods");
        QCOMPARE(TestSupport::plainSqlite(copy, QStringLiteral("PRAGMA integrity_check")),
                 QStringList{QStringLiteral("ok")});
    }

    // The office's way onto a server: the file's catalogue copied onto it,
    // the same check of a specification against either, an update on the
    // server, and the server's catalogue copied back into a new file whole.
    void catalogueOnServer()
    {
        PostgresServer server;
        if (!server.isRunning())
            QFAIL(qPrintable(server.failure()));
        const QString address = server.createDatabase(QStringLiteral("office"));
        const QString file = m_dir.filePath("catalogue/dorvik-Vent.mdb");
        Result result = run({"catalogue", "copy", file, address});
        QCOMPARE(result.out, address + ": скопировано товаров 2, групп 2\n");
        const Result onFile = run({"check", "good.СО", "--catalogue", file});
        result = run({"check", "good.СО", "--catalogue", address});
        QCOMPARE(result.status, onFile.status);
        QCOMPARE(result.out, onFile.out);
        QCOMPARE(run({"update", "good.СО", "--catalogue", address}).status, 0);
        const QString back = m_dir.filePath("back.mdb");
        result = run({"catalogue", "copy", address, back});
        QCOMPARE(result.out, back + ": скопировано товаров 3, групп 2\n");
        QCOMPARE(TestSupport::plainSqlite(
                     back, QStringLiteral("SELECT Name || ' ' || Caption || ' ' || "
                                          "NameKey FROM dorvik_data ORDER BY RowKey")),
                 (QStringList{"Вентилятор ВК-1 Вентилятор канальный вентилятор вк-1",
                              "Клапан КО Клапан обратный клапан ко",
                              "Решётка АМН РЕШЁТКА амн решётка амн"}));
        QCOMPARE(TestSupport::plainSqlite(back, QStringLiteral("SELECT name_gruppa FROM "
                                                               "dorvik_gruppa ORDER BY Numb")),
                 (QStringList{"Воздуховоды", "Вентиляторы"}));
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");

        QTest::newRow("no command") << QStringList{} << 2;
        QTest::newRow("unknown command") << QStringList{"chek", "good.СО"} << 2;
        QTest::newRow("unknown option") << QStringList{"check", "-x", "good.СО"} << 2;
        QTest::newRow("no files") << QStringList{"check"} << 2;
        QTest::newRow("save without -o") << QStringList{"save", "good.СО"} << 2;
        QTest::newRow("save of two files")
            << QStringList{"save", "good.СО", "bad.СО", "-o", "x.СО"} << 2;
        QTest::newRow("-o without a file") << QStringList{"save", "good.СО", "-o"} << 2;
        QTest::newRow("a file for catalogue check")
            << QStringList{"catalogue", "check", "good.СО"} << 2;
        QTest::newRow("update without a file") << QStringList{"update"} << 2;
        QTest::newRow("help") << QStringList{"check", "--help"} << 0;
    }

    // A wrong command line does nothing and says so; the help lists every
    // command.
    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const Result result = run(arguments);
        QCOMPARE(result.status, status);
        if (status == 0) {
            QVERIFY(result.err.isEmpty());
            for (const QString &command : {QStringLiteral("check"), QStringLiteral("save")})
                QVERIFY2(result.out.contains(QStringLiteral("\n  ") + command + u' '),
                         qPrintable(command));
        } else {
            QVERIFY(result.out.isEmpty());
            QVERIFY(result.err.startsWith(QStringLiteral("kvintor-cli: ")));
            QVERIFY(!QFile::exists(m_dir.filePath("x.СО")));
        }
    }

    void version_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::newRow("kvintor-cli") << QStringLiteral(KV_CLI) << QStringLiteral("kvintor-cli");
        QTest::newRow("kvintor") << QStringLiteral(KV_PROGRAM) << QStringLiteral("kvintor");
    }

    // The version is told before any window or database is made: also where
    // there is no display, as in a terminal on another computer.
    void version()
    {
        QFETCH(QString, program);
        QFETCH(QString, name);
        QProcess process;
        QProcessEnvironment headless = environment();
        for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            headless.remove(QLatin1String(variable));
        process.setProcessEnvironment(headless);
        process.setWorkingDirectory(m_dir.path());
        process.start(program, {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QRegularExpressionMatch line =
            QRegularExpression(QStringLiteral("^%1 %2 \\(сборка (\\d\\d\\.\\d\\d\\.\\d{4})\\)\n$")
                                   .arg(name, QRegularExpression::escape(KVINTOR_VERSION)))
                .match(out);
        QVERIFY2(line.hasMatch(), qPrintable(out));
        const QDate built = QDate::fromString(line.captured(1), QStringLiteral("dd.MM.yyyy"));
        QVERIFY(built.isValid() && built <= QDate::currentDate());
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
