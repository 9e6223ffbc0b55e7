#include "AppError.h"
#include "Catalogue.h"
#include "CatalogueCheck.h"
#include "Database.h"
#include "PostgresCatalogue.h"
#include "PostgresServer.h"
#include "Schema.h"
#include "SqliteCatalogue.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>

namespace {

// An empty catalogue in an SQLite file in folder.
std::shared_ptr<Catalogue> sqliteCatalogue(const QString &folder)
{
    auto db = std::make_shared<Database>(QUuid::createUuid().toString());
    db->setFile(QDir(folder).filePath(QStringLiteral("dorvik-Vent.mdb")));
    db->create();
    Schema::createCatalogueTables(*db);
    db->close();
    auto *catalogue = new SqliteCatalogue(*db);
    // Searches of a few goods shared out as those of a million are.
    catalogue->shareSearches(3, 1);
    return std::shared_ptr<Catalogue>(catalogue, [db](Catalogue *held) { delete held; });
}

CatalogueGood good(const QString &name, const QString &caption, const QString &type,
                   const QString &maker, const QString &group)
{
    return {name,
            caption,
            QStringLiteral("Шт"),
            12.5,
            QStringLiteral("1,5"),
            type,
            QStringLiteral("7.01"),
            maker,
            group};
}

} // namespace

// What the program asks of a catalogue, whatever keeps it: each row runs
// operations through the Catalogue interface and reads the result back the
// same way, once on an SQLite file and once on a PostgreSQL server of the
// test's own.
class CatalogueTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_counter = 0;
    std::unique_ptr<PostgresServer> m_server;

    std::shared_ptr<Catalogue> serverCatalogue(const QString &)
    {
        if (!m_server->isRunning())
            return nullptr;
        return std::make_shared<PostgresCatalogue>(
            ServerAddress::parse(m_server->createDatabase(QStringLiteral("c%1").arg(m_counter))));
    }

    std::shared_ptr<Catalogue> makeCatalogue(const QString &name, const QString &folder)
    {
        return name == QStringLiteral("sqlite") ? sqliteCatalogue(folder) : serverCatalogue(folder);
    }

    static QStringList names(const QList<StoredGood> &goods)
    {
        QStringList result;
        for (const StoredGood &stored : goods)
            result << stored.good.name;
        return result;
    }

    // "words=a b & group=G & type=T & maker=M": the criteria; "group=" asks
    // for the goods without a group.
    static GoodsCriteria criteria(const QString &text)
    {
        GoodsCriteria result;
        for (const QString &pair : text.split(QStringLiteral(" & "), Qt::SkipEmptyParts)) {
            const QString field = pair.section(u'=', 0, 0);
            const QString value = pair.section(u'=', 1);
            if (field == "words")
                result.words = value.split(u' ');
            else if (field == "group")
                result.group = value;
            else if (field == "type")
                result.type = value;
            else if (field == "maker")
                result.maker = value;
        }
        return result;
    }

    static QList<StoredGood> everyGood(Catalogue &catalogue, const GoodsCriteria &criteria,
                                       int page, qint64 after = std::numeric_limits<qint64>::min())
    {
        QList<StoredGood> goods;
        for (;;) {
            const QList<StoredGood> read = catalogue.findGoods(criteria, after, page);
            goods << read;
            if (read.size() < page)
                return goods;
            after = read.last().key;
        }
    }

    static StoredGood named(Catalogue &catalogue, const QString &name)
    {
        for (const StoredGood &stored : everyGood(catalogue, {}, 100))
            if (stored.good.name == name)
                return stored;
        return {};
    }

    // "NAME & caption=… & group=… & name=… & cost=…": the good named NAME
    // (or a new one) with the fields given.
    static CatalogueGood changed(CatalogueGood good, const QString &text)
    {
        const QStringList pairs = text.split(QStringLiteral(" & "));
        if (good.name.isEmpty())
            good.name = pairs.first();
        for (const QString &pair : pairs.mid(1)) {
            const QString field = pair.section(u'=', 0, 0);
            const QString value = pair.section(u'=', 1);
            if (field == "caption")
                good.caption = value;
            else if (field == "group")
                good.group = value;
            else if (field == "name")
                good.name = value;
            else if (field == "cost")
                good.cost = value.isEmpty() ? QVariant() : QVariant(value.toDouble());
        }
        return good;
    }

    // What a list has read: its criteria, its page and its last good's key.
    struct ListRead {
        GoodsCriteria criteria;
        int page = 0;
        qint64 last = 0;
    };

    // Runs one operation and says what it gave; list and held last from
    // one operation to the next.
    static QString run(Catalogue &catalogue, const QString &action, ListRead &list,
                       std::unique_ptr<CatalogueHold> &held)
    {
        const QString verb = action.section(u' ', 0, 0);
        const QString rest = action.section(u' ', 1);
        // "N criteria": a page of N goods.
        const int page = rest.section(u' ', 0, 0).toInt();
        const GoodsCriteria paged = criteria(rest.section(u' ', 1));
        if (verb == "find")
            return names(
                       catalogue.findGoods(criteria(rest), std::numeric_limits<qint64>::min(), 100))
                .join(u'|');
        if (verb == "pages")
            return names(everyGood(catalogue, paged, page)).join(u'|');
        if (verb == "hold") {
            held = catalogue.hold();
            return {};
        }
        // "fill N": goods Т-01 to Т-N after the others, in groups of even
        // and odd numbers, of makers №0 to №2 in turn.
        if (verb == "fill") {
            QList<CatalogueGood> goods;
            for (int i = 1; i <= rest.toInt(); ++i)
                goods << good(QStringLiteral("Т-%1").arg(i, 2, 10, QLatin1Char('0')),
                              QStringLiteral("Товар №%1").arg(i), QString(),
                              QStringLiteral("Завод №%1").arg(i % 3),
                              i % 2 ? QStringLiteral("Нечётные") : QStringLiteral("Чётные"));
            catalogue.writeGoods(goods, {});
            return {};
        }
        // "first N criteria" reads a list's first page, "rest" all the others.
        if (verb == "first" || verb == "rest") {
            if (verb == "first")
                list = {paged, page, std::numeric_limits<qint64>::min()};
            const QList<StoredGood> read =
                verb == "first" ? catalogue.findGoods(list.criteria, list.last, list.page)
                                : everyGood(catalogue, list.criteria, list.page, list.last);
            if (!read.isEmpty())
                list.last = read.last().key;
            return names(read).join(u'|');
        }
        // "after NAME N criteria": a page of N goods after the good NAME.
        if (verb == "after") {
            const qint64 key = named(catalogue, rest.section(u' ', 0, 0)).key;
            return names(catalogue.findGoods(criteria(rest.section(u' ', 2)), key,
                                             rest.section(u' ', 1, 1).toInt()))
                .join(u'|');
        }
        if (verb == "count")
            return QString::number(catalogue.countGoods(criteria(rest)));
        if (verb == "lookup") {
            const auto found = catalogue.find(rest.split(u'|'));
            QStringList result;
            for (const auto &good : found)
                result << (good ? good->name + u':' + good->caption : QStringLiteral("-"));
            return result.join(u'|');
        }
        if (verb == "add") {
            catalogue.addGood(changed({}, rest));
            return {};
        }
        if (verb == "update") {
            const StoredGood stored = named(catalogue, rest.section(QStringLiteral(" & "), 0, 0));
            catalogue.updateGood(stored, changed(stored.good, rest));
            return {};
        }
        if (verb == "remove") {
            catalogue.removeGood(named(catalogue, rest));
            return {};
        }
        if (verb == "write") {
            QList<CatalogueGood> goods;
            for (const QString &one : rest.split(QStringLiteral(" / ")))
                goods << changed({}, one);
            const GoodsWritten written = catalogue.writeGoods(goods, {});
            return QStringLiteral("%1 %2").arg(written.goods).arg(written.added);
        }
        if (verb == "replace") {
            // Goods separated by " / "; "*N" stands for N goods of their own,
            // and "!" breaks the feed off there, as a source lost midway.
            try {
                catalogue.replaceAll(
                    [&](const auto &put) {
                        for (const QString &one : rest.split(QStringLiteral(" / "))) {
                            if (one == "!")
                                throw AppError(QStringLiteral("источник оборвался"));
                            if (one.startsWith(u'*')) {
                                for (int i = 1; i <= one.mid(1).toInt(); ++i)
                                    put(good(QStringLiteral("Т-%1").arg(i), QStringLiteral("Труба"),
                                             {}, {}, QStringLiteral("Трубы")));
                            } else {
                                put(changed({}, one));
                            }
                        }
                    },
                    {QStringLiteral("Трубы"), QStringLiteral("Новая")});
            } catch (const AppError &) {
                return QStringLiteral("refused");
            }
            return {};
        }
        if (verb == "rename") {
            catalogue.renameGroup(rest.section(u'>', 0, 0), rest.section(u'>', 1), 0);
            return {};
        }
        if (verb == "removeGroup")
            return catalogue.removeGroup(rest, 0) ? "removed" : "kept";
        if (verb == "order") {
            catalogue.writeGroupOrder(rest.split(u','), 0, {});
            return {};
        }
        if (verb == "groups")
            return catalogue.groupOrder().join(u'|');
        if (verb == "alphabetical")
            return catalogue.groupsAlphabetical().join(u'|');
        if (verb == "goodsGroups")
            return catalogue.goodsGroups().join(u'|');
        if (verb == "check") {
            const CatalogueCheck::Findings findings = CatalogueCheck::examine(catalogue);
            QStringList namesakes;
            for (const NamesakeGoods &set : findings.namesakes)
                namesakes << names(set).join(u'+');
            return QStringLiteral("%1 goods, %2 groups, ungrouped %3, namesakes %4")
                .arg(findings.goods)
                .arg(findings.groups)
                .arg(names(findings.ungrouped).join(u'+'), namesakes.join(u' '));
        }
        return QStringLiteral("unknown action ") + verb;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_server = std::make_unique<PostgresServer>();
    }
    void cleanupTestCase() { m_server.reset(); }

    void operations_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("actions"); // separated by "; ", the last one's result counts
        QTest::addColumn<QString>("result");
        const auto row = [](const char *tag, const QString &actions, const QString &result) {
            for (const char *backend : {"sqlite", "postgresql"})
                QTest::addRow("%s: %s", backend, tag)
                    << QString::fromLatin1(backend) << actions << result;
        };
        const QString all = "ВК-160|ВР-4|РКВ-1|Гер|вк-160|Д'Арт";
        row("every good in pages, each once, as stored", "pages 2", all);
        row("a page of every good", "find", all);
        row("words in any letter case and order", "find words=КРУГЛЫЙ возд", "ВК-160");
        row("a word nowhere", "find words=возд дымосос", "");
        row("one letter", "find words=Й", "ВК-160|ВР-4|РКВ-1");
        row("one letter no good holds", "find words=ъ", "");
        row("two letters, look-alikes among them", "find words=ОД", "ВК-160|вк-160");
        row("two letters no good holds", "find words=щщ", "");
        row("two letters and a longer word", "find words=ер клапан", "РКВ-1");
        row("digits", "find words=16", "ВК-160");
        row("a sign and a letter", "find words==1", "ВК-160");
        row("count of one letter", "count words=й", "3");
        row("two blanks: an empty word asks for a description", "find words=клапан  ", "РКВ-1");
        row("percent and underscore are letters", "find words=100% & type=р_", "РКВ-1");
        row("quotes", "find words=\"арт\"", "Д'Арт");
        row("group in another letter case", "find group=ВОЗДУХОВОДЫ", "ВК-160|вк-160");
        row("no group", "find group=", "Гер");
        row("look-alike letters in type and maker", "find type=BKK & maker=KлимaT", "ВК-160");
        row("a maker alone", "find maker=строй", "ВР-4");
        row("count", "count maker=климатика", "2");
        row("look-up by name, letter case aside", "lookup вр-4|нет|ВК-160",
            "ВР-4:Вентилятор радиальный|-|ВК-160:Воздуховод круглый d=160");
        row("add",
            "add Дефлектор & caption=Дефлектор ЦАГИ & group=вентиляторы; "
            "find group=Вентиляторы",
            "ВР-4|Дефлектор");
        row("update", "update ВР-4 & caption=Вентилятор осевой & cost=; find words=осевой", "ВР-4");
        row("update of the name's letter case only", "update ВР-4 & name=вр-4; lookup ВР-4",
            "вр-4:Вентилятор радиальный");
        row("remove", "remove Гер; pages 4", "ВК-160|ВР-4|РКВ-1|вк-160|Д'Арт");
        row("write: a known name in any case, a new one, a name given twice",
            "write вр-4 & caption=Новый / Дымосос & caption=Дымосос / ДЫМОСОС & caption=Второй",
            "2 1");
        row("write changes every good of the name", "write вк-160 & caption=Один; find words=один",
            "ВК-160|вк-160");
        row("write adds after the goods", "write Дымосос & caption=Дымосос; pages 3",
            all + "|Дымосос");
        row("replace: the goods in their order, namesakes kept, and the group order",
            "replace Б & caption=Бэ / а / А; pages 2; groups", "Трубы|Новая");
        row("replaced goods", "replace Б & caption=Бэ / а / А; pages 2", "Б|а|А");
        row("replace, many batches", "replace *4500 / Последний; count", "4501");
        row("replace broken off is refused", "replace *4500 / !", "refused");
        row("replace broken off keeps the goods", "replace *4500 / !; pages 4", all);
        row("replace broken off keeps the groups", "replace *4500 / !; groups",
            "Воздуховоды|Вентиляторы|Клапаны|Пустая");
        row("rename in groups and goods", "rename ВОЗДУХОВОДЫ>Трубы; groups",
            "Трубы|Вентиляторы|Клапаны|Пустая");
        row("renamed goods", "rename ВОЗДУХОВОДЫ>Трубы; find group=трубы", "ВК-160|вк-160");
        row("rename in letter case only", "rename Клапаны>КЛАПАНЫ; find group=клапаны", "РКВ-1");
        row("a group in use stays", "removeGroup клапаны", "kept");
        row("a group in use stays in the order", "removeGroup клапаны; groups",
            "Воздуховоды|Вентиляторы|Клапаны|Пустая");
        row("an unused group goes", "removeGroup пустая; groups",
            "Воздуховоды|Вентиляторы|Клапаны");
        row("order: places, a new group, letter case aside",
            "order Клапаны,Новая,вентиляторы; groups",
            "Воздуховоды|Клапаны|Новая|Вентиляторы|Пустая");
        row("alphabetical", "alphabetical", "Вентиляторы|Воздуховоды|Клапаны|Пустая");
        row("groups of the goods, first spelling", "goodsGroups",
            "Вентиляторы|Воздуховоды|Клапаны|Решетки");
        row("check", "check", "6 goods, 4 groups, ungrouped Гер+Д'Арт, namesakes ВК-160+вк-160");

        // A held catalogue's search over every good's key, which an SQLite
        // file shares out among ranges of keys (here of about 11 goods),
        // gives what a search of one range would.
        const auto goods = [](QList<int> numbers) {
            QStringList result;
            for (const int i : numbers)
                result << QStringLiteral("Т-%1").arg(i, 2, 10, QLatin1Char('0'));
            return result.join(u'|');
        };
        const auto from = [](int first, int last) {
            QList<int> numbers;
            for (int i = first; i <= last; ++i)
                numbers << i;
            return numbers;
        };
        const QString held = "hold; fill 30; ";
        row("held: a page that ends in the first range", held + "first 3 words=товар",
            goods({1, 2, 3}));
        row("held: a page across ranges", held + "first 12 words=товар", goods(from(1, 12)));
        row("held: a page from every range", held + "first 26 words=товар", goods(from(1, 26)));
        row("held: every page, each good once", held + "pages 7 words=товар", goods(from(1, 30)));
        row("held: a page after a good of the last range", held + "after Т-20 3 words=товар",
            goods({21, 22, 23}));
        row("held: the first goods, all in the first range", held + "pages 4 words=е",
            "ВР-4|РКВ-1|Гер|Д'Арт");
        row("held: goods added and removed between pages",
            held + "first 10 words=товар; remove Т-11; remove Т-03; write Т-31 & caption=Товар; "
                   "rest",
            goods(from(12, 31)));
        row("held: a maker alone", held + "first 4 maker=завод №2", goods({2, 5, 8, 11}));
        row("held: a type and words", held + "first 3 words=воздуховод & type=вкк", "ВК-160");
        row("held: a group with words", held + "first 4 words=товар & group=чётные",
            goods({2, 4, 6, 8}));
        row("held: count", held + "count words=товар", "30");
    }

    void operations()
    {
        QFETCH(QString, backend);
        QFETCH(QString, actions);
        const QString folder = m_dir.filePath(QString::number(++m_counter));
        QVERIFY(QDir().mkpath(folder));
        const std::shared_ptr<Catalogue> catalogue = makeCatalogue(backend, folder);
        if (!catalogue)
            QFAIL(qPrintable(m_server->failure()));
        catalogue->writeGoods(
            {good("ВК-160", "Воздуховод круглый d=160", "ВКК-160", "Климатика", "Воздуховоды"),
             good("ВР-4", "Вентилятор радиальный", "ВР-80", "ВентСтрой", "Вентиляторы"),
             good("РКВ-1", "Клапан \"КВР\" 100% герметичный", "КВР_1", "Климатика", "Клапаны"),
             good("Гер", "Герметик", "", "Химпром", "")},
            {});
        // A name that differs in letter case only, which a write would take for
        // the first one, and a good of a group the order lacks.
        catalogue->addGood(good("вк-160", "Воздуховод", "", "", "воздуховоды"));
        catalogue->addGood(good("Д'Арт", "Решетка \"Арт\"", "", "", "Решетки"));
        catalogue->writeGroupOrder({"Воздуховоды", "Вентиляторы", "Клапаны", "Пустая"}, 0, {});
        QString result;
        ListRead list;
        std::unique_ptr<CatalogueHold> held;
        for (const QString &action : actions.split(QStringLiteral("; ")))
            result = run(*catalogue, action, list, held);
        held.reset();
        QTEST(result, "result");
    }

    // A held catalogue file's search, shared out, reads the file as it is
    // now, whatever another program did to it since the search before.
    void sharedSearchReadsTheFileNow_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("a good another program added") << "added";
        QTest::newRow("a catalogue put in its place") << "replaced";
        QTest::newRow("the file's commits put in a write-ahead log") << "logged";
    }

    void sharedSearchReadsTheFileNow()
    {
        QFETCH(QString, change);
        const QString folder = m_dir.filePath(QString::number(++m_counter));
        const QString elsewhere = folder + QStringLiteral("-new");
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(elsewhere));
        const QString file = QDir(folder).filePath(QStringLiteral("dorvik-Vent.mdb"));
        const CatalogueGood fan = good("ВР-4", "Вентилятор", "", "", "");
        const CatalogueGood newFan = good("ВР-5", "Вентилятор осевой", "", "", "");
        const std::shared_ptr<Catalogue> catalogue = sqliteCatalogue(folder);
        catalogue->writeGoods({fan}, {});
        const auto held = catalogue->hold();
        const GoodsCriteria fans = criteria(QStringLiteral("words=вентилятор"));
        QCOMPARE(catalogue->countGoods(fans), 1);
        if (change == "replaced") {
            const std::shared_ptr<Catalogue> other = sqliteCatalogue(elsewhere);
            other->writeGoods({fan, newFan}, {});
            QCOMPARE(std::rename(QFile::encodeName(
                                     QDir(elsewhere).filePath(QStringLiteral("dorvik-Vent.mdb")))
                                     .constData(),
                                 QFile::encodeName(file).constData()),
                     0);
        } else {
            Database other(QUuid::createUuid().toString());
            other.setFile(file);
            other.open();
            if (change == "logged")
                other.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
            SqliteCatalogue(other).addGood(newFan);
        }
        QCOMPARE(names(catalogue->findGoods(fans, std::numeric_limits<qint64>::min(), 10)),
                 QStringList({"ВР-4", "ВР-5"}));
        QCOMPARE(catalogue->countGoods(fans), 2);
    }

    // Two designers on one server: a change made from a good read before
    // the other's change or removal is refused, names the good, and keeps
    // nothing of itself.
    void staleChanges_data()
    {
        QTest::addColumn<QString>("other"); // what the other designer does first
        QTest::addColumn<QString>("mine");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("after"); // the good's caption afterwards, or "-"
        QTest::newRow("update after an update") << "update"
                                                << "update"
                                                << "«ВР-4» изменил другой"
                                                << "Чужое";
        QTest::newRow("removal after an update") << "update"
                                                 << "remove"
                                                 << "«ВР-4» изменил другой"
                                                 << "Чужое";
        QTest::newRow("update after a removal") << "remove"
                                                << "update"
                                                << "«ВР-4» удалил другой"
                                                << "-";
        QTest::newRow("removal after a removal") << "remove"
                                                 << "remove" << QString() << "-";
    }

    void staleChanges()
    {
        QFETCH(QString, other);
        QFETCH(QString, mine);
        QFETCH(QString, refusal);
        if (!m_server->isRunning())
            QFAIL(qPrintable(m_server->failure()));
        const QString address = m_server->createDatabase(QStringLiteral("s%1").arg(++m_counter));
        PostgresCatalogue designer(ServerAddress::parse(address));
        PostgresCatalogue colleague(ServerAddress::parse(address));
        designer.writeGoods({good("ВР-4", "Вентилятор", "", "", "")}, {});
        const StoredGood read = named(designer, QStringLiteral("ВР-4"));
        const StoredGood theirs = named(colleague, QStringLiteral("ВР-4"));
        CatalogueGood changedGood = read.good;
        if (other == "update") {
            changedGood.caption = QStringLiteral("Чужое");
            colleague.updateGood(theirs, changedGood);
        } else {
            colleague.removeGood(theirs);
        }
        QString message;
        try {
            changedGood.caption = QStringLiteral("Моё");
            if (mine == "update")
                designer.updateGood(read, changedGood);
            else
                designer.removeGood(read);
        } catch (const AppError &error) {
            message = error.message();
        }
        QVERIFY2(refusal.isEmpty() ? message.isEmpty() : message.contains(refusal),
                 qPrintable(message));
        const auto found = designer.find({QStringLiteral("ВР-4")});
        QTEST(found.first() ? found.first()->caption : QStringLiteral("-"), "after");
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
