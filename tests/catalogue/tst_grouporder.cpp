#include "AppError.h"
#include "Catalogue.h"
#include "ErrorReport.h"
#include "GroupOrderDialog.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "TestSupport.h"
#include "TypeText.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kQuoted = QStringLiteral("Д'Арк \"Люкс\"");
const QString kNew = QStringLiteral("Новая группа");

QVariantList good(const QString &name, const QString &group)
{
    return {name, name, QStringLiteral("Шт"), 1.5, QStringLiteral("2"), {}, {}, {}, group};
}

} // namespace

// The group order as the user keeps it: moves count for numbering at once
// and reach the catalogue with "OK"; renames and deletions reach it at once.
class GroupOrderTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_errors;
    int m_counter = 0;

    // What the user does, as the words of the test data, and the buttons.
    inline static const QHash<QString, const char *> kButtons{
        {"up", "SpeedButton1"},     {"down", "SpeedButton2"},  {"add", "SpeedButton3"},
        {"delete", "SpeedButton4"}, {"apply", "SpeedButton5"}, {"ok", "BitBtn1"},
        {"cancel", "BitBtn2"}};

    struct Fixture {
        Session session;
        ScriptedPrompts prompts;
        std::unique_ptr<GroupOrderDialog> dialog;
        QList<QPair<int, int>> progress;

        QListWidget *list() const { return dialog->findChild<QListWidget *>("ListBox1"); }
        QLineEdit *nameEdit() const { return dialog->findChild<QLineEdit *>("Edit1"); }
        QPushButton *button(const QString &word) const
        {
            return dialog->findChild<QPushButton *>(kButtons.value(word));
        }
        QString column(const QString &sql)
        {
            QStringList result;
            session.catalogue().open();
            for (QSqlQuery query = session.catalogue().exec(sql); query.next();)
                result << query.value(0).toString();
            session.catalogue().close();
            return result.join(u'|');
        }
        // dorvik_gruppa as "name:place", then the goods' groups, by row.
        QString catalogue()
        {
            return column("SELECT name_gruppa || ':' || Numb FROM dorvik_gruppa ORDER BY rowid") +
                   " / " + column("SELECT Gruppa FROM dorvik_data ORDER BY rowid");
        }
        // The list with ">" before the selected group.
        QString listed() const
        {
            QStringList result;
            for (int row = 0; row < list()->count(); ++row)
                result << (row == list()->currentRow() ? ">" : "") + list()->item(row)->text();
            return result.join(u'|');
        }
        QString enabledButtons() const
        {
            QStringList words{"up", "down", "apply"};
            words.removeIf([this](const QString &word) { return !button(word)->isEnabled(); });
            return words.join(u' ');
        }
    };

    // A dialog over a catalogue of groups, opened as the menu opens it; the
    // session's list is loaded as at start-up, then "Я" is added to the table
    // behind its back.
    std::unique_ptr<Fixture> open(const QStringList &groups, const QList<QVariantList> &goods)
    {
        auto f = std::make_unique<Fixture>();
        const QString path = m_dir.filePath(QStringLiteral("c%1.mdb").arg(++m_counter));
        TestSupport::makeCatalogue(path, goods, groups);
        f->session.setCatalogueFile(path);
        f->session.setGroupOrder(f->session.goods().groupOrder());
        f->session.catalogue().open();
        f->session.catalogue().exec("INSERT INTO dorvik_gruppa VALUES (?, ?)", {"Я", 9});
        f->session.catalogue().close();
        connect(&f->session, &Session::progress, this,
                [f = f.get()](int done, int total) { f->progress << qMakePair(done, total); });
        f->dialog = std::make_unique<GroupOrderDialog>(f->session, f->prompts);
        f->dialog->open();
        return f;
    }

    std::unique_ptr<Fixture> openStandard()
    {
        return open({"А", "Б", "В", kQuoted}, {good("Насос", "а"), good("Лампа", kQuoted)});
    }

    // Actions separated by "; ": "select ROW", "key Down", "name TEXT" (a
    // click into the field, then the text), "type TEXT" (typed without a
    // click), "tab" (into the field), "open", "active" (waits until the
    // dialog has the focus, as a user's dialog has), "refuse WHEN" (the
    // catalogue fails the statements WHEN names) or a button's word.
    static void perform(Fixture &f, const QString &actions)
    {
        for (const QString &action : actions.split("; ", Qt::SkipEmptyParts)) {
            const QString verb = action.section(u' ', 0, 0);
            const QString argument = action.section(u' ', 1);
            if (verb == "select") {
                f.list()->setCurrentRow(argument.toInt());
            } else if (verb == "key") {
                QTest::keyClick(f.list(), Qt::Key_Down);
            } else if (verb == "name") {
                QTest::mouseClick(f.nameEdit(), Qt::LeftButton);
                f.nameEdit()->setText(argument);
            } else if (verb == "type" || verb == "tab") {
                QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
                f.nameEdit()->setFocus(verb == "tab" ? Qt::TabFocusReason : Qt::OtherFocusReason);
                typeText(f.nameEdit(), argument);
            } else if (verb == "refuse") {
                f.session.catalogue().open();
                f.session.catalogue().exec("CREATE TRIGGER refuse " + argument +
                                           " BEGIN SELECT RAISE(ABORT, 'запрещено'); END");
                f.session.catalogue().close();
            } else if (verb == "open") {
                f.dialog->open();
            } else if (verb == "active") {
                QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
            } else {
                QVERIFY2(kButtons.contains(verb), qPrintable(action));
                QTest::mouseClick(f.button(verb), Qt::LeftButton);
            }
        }
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
    }
    void init() { m_errors.clear(); }

    void commandsReadTheGroups()
    {
        auto f = open({"Б", "", "а", "В"}, {});
        f->session.catalogue().open();
        f->session.catalogue().exec("UPDATE dorvik_gruppa SET Numb = ? WHERE name_gruppa = ?",
                                    {5, "Б"});
        f->session.catalogue().exec("INSERT INTO dorvik_gruppa VALUES (?, ?)", {QVariant(), 0});
        f->session.catalogue().close();
        QCOMPARE(f->session.goods().groupOrder(), QStringList({"а", "В", "Б", "Я"}));
        QCOMPARE(f->session.goods().groupsAlphabetical(), QStringList({"а", "Б", "В", "Я"}));
        QVERIFY(!f->session.catalogue().isOpen());
        f->session.setCatalogueFile(m_dir.filePath("нет.mdb"));
        QVERIFY_THROWS_EXCEPTION(AppError, f->session.goods().groupOrder());
    }

    void dialogKeepsOrderListAndCatalogue_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("notice");

        const QString q = kQuoted;
        const QString n = kNew;
        const QString kept = "А:0|Б:1|В:2|" + q + ":3|Я:9 / а|" + q;
        const QString refused = QStringLiteral("Невозвожно удалить группу \"%1\"!");
        const QString o = QStringLiteral("О'Нил \"Про\"");

        const auto row = [](const char *tag, const QString &actions, const QString &list,
                            const QString &name, const QString &buttons, const QString &catalogue,
                            const QString &notice = {}) {
            QTest::newRow(tag) << actions << list << name << buttons << catalogue << notice;
        };
        row("opened", "", ">А|Б|В|" + q, "А", "down", kept);
        row("keyboard", "key Down; key Down", "А|Б|>В|" + q, "В", "up down", kept);
        row("up to the top", "select 1; up", ">Б|А|В|" + q, "Б", "down", kept);
        row("down to the bottom", "select 2; down", "А|Б|" + q + "|>В", "В", "up", kept);
        row("up on the first only enables down", "select 3; open; up", ">А|Б|В|" + q, "А",
            "up down", kept);
        row("down on the last only enables up", "select 1; select 0; add; down",
            "А|Б|В|" + q + "|>" + n, n, "up down", kept);
        row("reopened shows the moved order", "select 3; up; open", ">А|Б|" + q + "|В", "А",
            "up down", kept);
        row("cancel writes nothing", "select 1; up; add; cancel", "Б|А|В|" + q + "|>" + n, n,
            "down", kept);
        row("OK writes places and adds", "select 1; up; add; ok", "Б|А|В|" + q + "|>" + n, n,
            "down", "А:1|Б:0|В:2|" + q + ":3|Я:9|" + n + ":4 / а|" + q);
        row("OK finds a group in any letter case", "add; name б; apply; ok", "А|Б|В|" + q + "|>б",
            "б", "down", "А:0|Б:4|В:2|" + q + ":3|Я:9 / а|" + q);
        row("click into the field enables apply", "select 2; name Х", "А|Б|>В|" + q, "Х",
            "up down apply", kept);
        row("tab into the field enables apply", "select 2; tab", "А|Б|>В|" + q, "В",
            "up down apply", kept);
        row("typing alone does not", "select 2; type X", "А|Б|>В|" + q, "ВX", "up down", kept);
        row("selecting takes back a typed name", "select 2; name Х; select 1", "А|>Б|В|" + q, "Б",
            "up down", kept);
        row("rename reaches groups and goods", "name Насосы; apply", ">Насосы|Б|В|" + q, "Насосы",
            "down", "Насосы:0|Б:1|В:2|" + q + ":3|Я:9 / Насосы|" + q);
        // The clicked button gives up the focus when it is disabled; the
        // name field must not take it as a new request to rename.
        row("rename by mouse leaves apply off", "active; name Насосы; apply", ">Насосы|Б|В|" + q,
            "Насосы", "down", "Насосы:0|Б:1|В:2|" + q + ":3|Я:9 / Насосы|" + q);
        row("rename quoted to quoted, then OK", "select 3; name " + o + "; apply; ok",
            "А|Б|В|>" + o, o, "up", "А:0|Б:1|В:2|" + o + ":3|Я:9 / а|" + o);
        row("delete selects the one above", "select 2; name Х; delete", "А|>Б|" + q, "Б", "up down",
            "А:0|Б:1|" + q + ":3|Я:9 / а|" + q);
        row("delete the first selects the next", "select 1; up; delete", ">А|В|" + q, "А", "down",
            "А:0|В:2|" + q + ":3|Я:9 / а|" + q);
        row("group in use by letter case", "delete", ">А|Б|В|" + q, "А", "down", kept,
            refused.arg("А"));
        row("quoted group in use", "select 3; delete", "А|Б|В|>" + q, q, "up", kept,
            refused.arg(q));
        // A statement failing half-way leaves the catalogue and the list as
        // they were.
        row("failed rename", "refuse BEFORE UPDATE ON dorvik_data; name Х; apply", ">А|Б|В|" + q,
            "Х", "down apply", kept);
        row("failed delete", "refuse BEFORE DELETE ON dorvik_gruppa; select 1; delete",
            "А|>Б|В|" + q, "Б", "up down", kept);
        row("failed OK", "refuse BEFORE INSERT ON dorvik_gruppa; select 1; up; add; ok",
            "Б|А|В|" + q + "|>" + n, n, "down", kept);
    }

    void dialogKeepsOrderListAndCatalogue()
    {
        QFETCH(QString, actions);
        QFETCH(QString, notice);
        auto f = openStandard();
        perform(*f, actions);
        QVERIFY(!f->session.catalogue().isOpen());
        QTEST(f->listed(), "list");
        QCOMPARE(f->session.groupOrder().join(u'|'), f->listed().remove(u'>'));
        QTEST(f->nameEdit()->text(), "name");
        QTEST(f->enabledButtons(), "buttons");
        QTEST(f->catalogue(), "catalogue");
        QCOMPARE(f->prompts.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        const bool refused = actions.contains("refuse");
        QCOMPARE(m_errors.size(), refused ? 1 : 0);
        if (refused)
            QVERIFY(m_errors[0].contains("запрещено"));
        QCOMPARE(f->dialog->isVisible(), !actions.contains("ok") && !actions.contains("cancel"));
        if (actions.contains("ok")) {
            const int total = int(f->session.groupOrder().size());
            QCOMPARE(f->progress.contains(qMakePair(total, total)), !refused);
            QCOMPARE(f->progress.last(), qMakePair(0, total));
        }
    }

    void emptyListStaysUsable_data()
    {
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("opened empty") << QStringList{};
        QTest::newRow("last group deleted") << QStringList{"А"};
    }

    void emptyListStaysUsable()
    {
        QFETCH(QStringList, groups);
        auto f = open(groups, {});
        perform(*f, "delete; up; down");
        QCOMPARE(f->list()->currentRow(), -1);
        QCOMPARE(f->nameEdit()->text(), QString());
        QCOMPARE(f->session.groupOrder(), QStringList());
        perform(*f, "name Х; apply; delete; add; ok");
        QCOMPARE(f->session.groupOrder(), QStringList({kNew}));
        QCOMPARE(f->catalogue(), "Я:9|" + kNew + ":0 / ");
        QCOMPARE(f->prompts.notices, QStringList());
        QCOMPARE(m_errors, QStringList());
    }
};

QTEST_MAIN(GroupOrderTest)
#include "tst_grouporder.moc"
