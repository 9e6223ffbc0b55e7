#include "AppError.h"
#include "CatalogueEditor.h"
#include "CatalogueUpdate.h"
#include "EditorWindow.h"
#include "ErrorReport.h"
#include "GoodsModel.h"
#include "GroupOrder.h"
#include "GroupOrderDialog.h"
#include "PositionsModel.h"
#include "PostgresCatalogue.h"
#include "PostgresServer.h"
#include "PriceListDialog.h"
#include "PriceListImport.h"
#include "Program.h"
#include "RowsGrid.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

using Interruption = PostgresServer::Interruption;
Q_DECLARE_METATYPE(Interruption)

// The office's catalogue on a server that several designers write at once,
// each through the program's own windows and commands: a write made from
// what someone else has changed since it was read is refused, keeps
// nothing and offers to read again; a connection lost in the middle of a
// write keeps nothing of it; and without its server the program still
// opens, edits and saves specifications.
class OfficeServerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PostgresServer> m_server;
    QStringList m_errors;
    QString m_database, m_address;
    int m_counter = 0;

    // A catalogue of its own on the server: goods ВК-1 to ВК-7 of group А
    // and Кл of group Б, all at 10, and the group order А, Б, В.
    void freshCatalogue()
    {
        m_database = QStringLiteral("office%1").arg(++m_counter);
        m_address = m_server->createDatabase(m_database);
        PostgresCatalogue catalogue(ServerAddress::parse(m_address));
        QList<CatalogueGood> goods;
        for (int i = 1; i <= 8; ++i)
            goods << CatalogueGood{i < 8 ? QStringLiteral("ВК-%1").arg(i) : QStringLiteral("Кл"),
                                   QStringLiteral("Товар"),
                                   QStringLiteral("Шт"),
                                   10.0,
                                   {},
                                   {},
                                   {},
                                   {},
                                   i < 8 ? QStringLiteral("А") : QStringLiteral("Б")};
        catalogue.writeGoods(goods, {});
        catalogue.writeGroupOrder({"А", "Б", "В"}, 0, {});
    }

    // "name:price" of every good in the order stored, and the group order.
    QString goodsOnServer() const
    {
        return m_server->psql(m_database, "SELECT string_agg(name || ':' || coalesce(cost::text, "
                                          "''), '|' ORDER BY rowkey) FROM dorvik_data");
    }
    QString orderOnServer() const
    {
        return m_server->psql(m_database, "SELECT string_agg(name_gruppa, '|' ORDER BY numb, id) "
                                          "FROM dorvik_gruppa");
    }

    // Another designer's change, through a program of their own:
    // "price NAME…", "remove NAME", "add NAME", "order A,B", "rename A>B".
    void colleagueDoes(const QString &action) const
    {
        if (action.isEmpty())
            return;
        PostgresCatalogue colleague(ServerAddress::parse(m_address));
        const QString verb = action.section(u' ', 0, 0);
        const QString rest = action.section(u' ', 1);
        if (verb == "price") {
            QList<CatalogueGood> goods;
            for (const QString &name : rest.split(u' ')) {
                CatalogueGood good;
                good.name = name;
                good.cost = 55.0;
                goods << good;
            }
            GoodsWriteOptions price;
            price.fields = GoodField::Cost;
            colleague.writeGoods(goods, price, {});
        } else if (verb == "remove") {
            for (const StoredGood &stored : colleague.findGoods({}, 0, 100))
                if (stored.good.name == rest)
                    colleague.removeGood(stored);
        } else if (verb == "add") {
            CatalogueGood good;
            good.name = rest;
            good.cost = 7.0;
            colleague.addGood(good);
        } else if (verb == "order") {
            colleague.writeGroupOrder(rest.split(u','), 0, {});
        } else if (verb == "rename") {
            colleague.renameGroup(rest.section(u'>', 0, 0), rest.section(u'>', 1), 0);
        }
    }

    static void click(QWidget *window, const char *button)
    {
        QPushButton *found = window->findChild<QPushButton *>(QLatin1String(button));
        QVERIFY2(found, button);
        QTest::mouseClick(found, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
        m_server = std::make_unique<PostgresServer>();
        if (!m_server->isRunning())
            QFAIL(qPrintable(m_server->failure()));
    }
    void init()
    {
        m_errors.clear();
        try {
            freshCatalogue();
        } catch (const AppError &error) {
            QFAIL(qPrintable(error.message()));
        }
    }

    void groupOrderChangedMeanwhile_data()
    {
        QTest::addColumn<QString>("colleague");
        QTest::addColumn<QString>("mine"); // "select N", "name TEXT" or a button's name
        QTest::addColumn<bool>("reload");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("server"); // the order, then the groups of ВК-1 and Кл
        QTest::newRow("OK, the order loaded again")
            << "order В,А,Б"
            << "select 1; SpeedButton1; BitBtn1" << true << "В|А|Б"
            << "В|А|Б А Б";
        QTest::newRow("OK, the moved order kept for numbering")
            << "order В,А,Б"
            << "select 1; SpeedButton1; BitBtn1" << false << "Б|А|В"
            << "В|А|Б А Б";
        QTest::newRow("rename, loaded again")
            << "rename А>Аа"
            << "select 1; name Бб; SpeedButton5" << true << "Аа|Б|В"
            << "Аа|Б|В Аа Б";
        QTest::newRow("delete, loaded again") << "order А,Б,В,Г"
                                              << "select 2; SpeedButton4" << true << "А|Б|В|Г"
                                              << "А|Б|В|Г А Б";
        QTest::newRow("one's own writes follow each other")
            << ""
            << "select 1; name Бб; SpeedButton5; select 2; SpeedButton4; SpeedButton3; BitBtn1"
            << false << "А|Бб|Новая группа"
            << "А|Бб|Новая группа А Бб";
    }

    // "Порядок групп." made from an order another designer has changed
    // since: nothing of it is written, and "Да" shows the catalogue's order.
    void groupOrderChangedMeanwhile()
    {
        QFETCH(QString, colleague);
        QFETCH(QString, mine);
        QFETCH(bool, reload);
        Session session;
        session.setCatalogueAddress(m_address);
        GroupOrder::load(session);
        ScriptedPrompts prompts;
        prompts.answers << reload;
        GroupOrderDialog dialog(session, prompts);
        dialog.open();
        colleagueDoes(colleague);
        for (const QString &action : mine.split(QStringLiteral("; "))) {
            if (action.startsWith("select ")) {
                dialog.findChild<QListWidget *>("ListBox1")->setCurrentRow(action.mid(7).toInt());
            } else if (action.startsWith("name ")) {
                auto *name = dialog.findChild<QLineEdit *>("Edit1");
                QTest::mouseClick(name, Qt::LeftButton);
                name->setText(action.mid(5));
            } else {
                click(&dialog, action.toLatin1().constData());
            }
        }
        QCOMPARE(m_errors, QStringList());
        if (colleague.isEmpty()) {
            QCOMPARE(prompts.questions, QStringList());
        } else {
            QCOMPARE(prompts.questions.size(), 1);
            QVERIFY2(prompts.questions[0].startsWith("Порядок групп изменил другой пользователь") &&
                         prompts.questions[0].contains("Ничего из этой записи в каталог не "
                                                       "записано") &&
                         prompts.questions[0].contains("Загрузить порядок групп"),
                     qPrintable(prompts.questions[0]));
            // After "Да" the dialog shows the order loaded, for the user to
            // start again from it.
            QCOMPARE(dialog.isVisible(), reload || !mine.endsWith("BitBtn1"));
        }
        QTEST(session.groupOrder().join(u'|'), "list");
        QStringList listed;
        for (int row = 0; row < dialog.findChild<QListWidget *>("ListBox1")->count(); ++row)
            listed << dialog.findChild<QListWidget *>("ListBox1")->item(row)->text();
        QCOMPARE(listed, session.groupOrder());
        QTEST(orderOnServer() + u' ' +
                  m_server->psql(m_database, "SELECT string_agg(gruppa, ' ' ORDER BY rowkey) "
                                             "FROM dorvik_data WHERE name IN ('ВК-1', 'Кл')"),
              "server");
    }

    void importOfGoodsChangedMeanwhile_data()
    {
        QTest::addColumn<QString>("colleague"); // while the import's question is open
        QTest::addColumn<QString>("refusal");   // empty: the import is written
        QTest::addColumn<QString>("report");    // after reading the file again
        QTest::newRow("a price of a good the list names")
            << "price ВК-1"
            << "Товар «ВК-1» изменил другой пользователь"
            << "обновится 7, добавится 1";
        QTest::newRow("a good the list names removed") << "remove ВК-2"
                                                       << "Товар «ВК-2» изменил"
                                                       << "обновится 6, добавится 2";
        QTest::newRow("a good added under a name the list adds") << "add Нов"
                                                                 << "Товар «Нов» изменил"
                                                                 << "обновится 8, добавится 0";
        QTest::newRow("the first five named, and how many more")
            << "price ВК-1 ВК-2 ВК-3 ВК-4 ВК-5 ВК-6 ВК-7"
            << "Товары «ВК-1», «ВК-2», «ВК-3», «ВК-4», «ВК-5» и ещё 2 изменил"
            << "обновится 7, добавится 1";
        QTest::newRow("a good the list does not name") << "price Кл"
                                                       << ""
                                                       << "";
    }

    // "Импорт прайс-листа" whose goods someone changed between the report
    // and the write: nothing of it is written, the message names the goods,
    // and "Да" reads the file again for a report of what it would do now.
    void importOfGoodsChangedMeanwhile()
    {
        QFETCH(QString, colleague);
        QFETCH(QString, refusal);
        const QString path = m_dir.filePath(QStringLiteral("Прайс.csv"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Имя блока;Цена\nВК-1;20\nВК-2;20\nВК-3;20\nВК-4;20\nВК-5;20\nВК-6;20\n"
                       "ВК-7;20\nНов;20\n");
        }
        Session session;
        session.setCatalogueAddress(m_address);
        ScriptedPrompts prompts;
        prompts.answers << true << true;
        prompts.beforeAnswer = [&](const QString &) {
            colleagueDoes(std::exchange(colleague, QString()));
        };
        PriceListDialog dialog(session, prompts, path);
        QVERIFY(dialog.load());
        dialog.show();
        click(&dialog, "Button1");
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(dialog.isVisible(), !refusal.isEmpty());
        QCOMPARE(goodsOnServer().contains("ВК-3:20"), refusal.isEmpty());
        if (refusal.isEmpty())
            return;
        QCOMPARE(prompts.questions.size(), 2);
        QVERIFY2(prompts.questions[1].contains(refusal) &&
                     prompts.questions[1].contains("Ничего из этой записи в каталог не записано") &&
                     prompts.questions[1].contains("Прочитать прайс-лист заново"),
                 qPrintable(prompts.questions[1]));
        QFETCH(QString, report);
        QVERIFY(
            dialog.findChild<QPlainTextEdit *>("priceListReport")->toPlainText().contains(report));
        // Imported again from the new report, it is written.
        prompts.answers << true;
        click(&dialog, "Button1");
        QVERIFY(!dialog.isVisible());
        QVERIFY(goodsOnServer().contains("ВК-3:20"));
    }
    void editorChangeOfGoodChangedMeanwhile_data()
    {
        QTest::addColumn<QString>("colleague");
        QTest::addColumn<QString>("mine"); // "price", "stamp" or "remove" of ВК-2
        QTest::addColumn<bool>("reload");
        QTest::addColumn<QString>("current"); // the good current afterwards, and its price
        QTest::addColumn<QString>("server");  // ВК-2 there, or "-"
        QTest::newRow("a price, loaded again") << "price ВК-2"
                                               << "price" << true << "ВК-2 55"
                                               << "55";
        QTest::newRow("a price, not loaded") << "price ВК-2"
                                             << "price" << false << "ВК-2 10"
                                             << "55";
        QTest::newRow("a stamp of a removed good, loaded again") << "remove ВК-2"
                                                                 << "stamp" << true << "ВК-3 10"
                                                                 << "-";
        QTest::newRow("a removal of a changed good, loaded again") << "price ВК-2"
                                                                   << "remove" << true << "ВК-2 55"
                                                                   << "55";
    }

    // The catalogue editor's change of a good another designer has changed
    // or removed since the list was read: nothing of it is written, and
    // "Да" shows the goods as they are now, the user's place kept.
    void editorChangeOfGoodChangedMeanwhile()
    {
        QFETCH(QString, colleague);
        QFETCH(QString, mine);
        QFETCH(bool, reload);
        Session session;
        session.setCatalogueAddress(m_address);
        ScriptedPrompts prompts;
        CatalogueEditor editor(session, prompts);
        editor.open();
        QCoreApplication::processEvents();
        GoodsModel *goods = editor.goods();
        editor.grid()->setCurrentIndex(goods->index(1, 7));
        colleagueDoes(colleague);
        if (mine == "remove")
            prompts.answers << true; // "Удалить запись?"
        prompts.answers << reload;
        if (mine == "price") {
            goods->setData(goods->index(1, 7), QStringLiteral("33"));
        } else if (mine == "stamp") {
            editor.findChild<QCheckBox *>("CheckBox1")->setChecked(true);
            editor.stamp(1);
        } else {
            editor.grid()->deleteCurrentRow();
        }
        QTRY_COMPARE(prompts.questions.size(), mine == "remove" ? 2 : 1);
        QVERIFY2(prompts.questions.last().contains("«ВК-2»") &&
                     prompts.questions.last().contains("Ваше изменение не записано") &&
                     prompts.questions.last().contains("Загрузить список товаров заново?"),
                 qPrintable(prompts.questions.last()));
        QCOMPARE(m_errors, QStringList());
        const CatalogueGood current = goods->good(editor.grid()->currentIndex().row());
        QTEST(current.name + u' ' + GoodsModel::text(current, GoodsModel::Cost), "current");
        QCOMPARE(editor.grid()->currentIndex().column(), 7);
        const QString stored =
            m_server->psql(m_database, "SELECT cost FROM dorvik_data WHERE name = 'ВК-2'");
        QTEST(stored.isEmpty() ? QStringLiteral("-") : stored, "server");
    }

    void connectionLostInTheMiddle_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<Interruption>("how");
        for (const char *write : {"import", "update", "order"}) {
            QTest::addRow("%s, connection ended", write)
                << QString::fromLatin1(write) << Interruption::EndConnection;
            QTest::addRow("%s, server stopped", write)
                << QString::fromLatin1(write) << Interruption::StopServer;
        }
    }

    // A write that loses its server while it waits for a row that another
    // connection holds, goods before that row perhaps already changed:
    // nothing of it is kept, and the message says so.
    void connectionLostInTheMiddle()
    {
        QFETCH(QString, write);
        QFETCH(Interruption, how);
        Session session;
        session.setCatalogueAddress(m_address);
        GroupOrder::load(session);
        ScriptedPrompts prompts;
        const QString goods = goodsOnServer();
        const QString order = orderOnServer();
        QString message;
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QPSQL", "holder");
            holder.setHostName(m_server->socketFolder());
            holder.setPort(m_server->port());
            holder.setUserName(m_server->user());
            holder.setDatabaseName(m_database);
            QVERIFY(holder.open() && holder.transaction());
            QVERIFY(QSqlQuery(holder).exec(
                write == "order" ? "UPDATE kvintor_schema SET version = version"
                                 : "UPDATE dorvik_data SET m = m WHERE name = 'ВК-4'"));
            m_server->interruptWhenWaiting(how);
            try {
                if (write == "import") {
                    const QString path = m_dir.filePath(QStringLiteral("Цены.csv"));
                    QFile file(path);
                    QVERIFY(file.open(QIODevice::WriteOnly));
                    file.write("Имя блока;Цена\nВК-1;20\nВК-4;20\nВК-7;20\nНов;20\n");
                    file.close();
                    const PriceListImport::Source source = PriceListImport::read(path);
                    PriceListImport::write(
                        PriceListImport::plan(source, source.mapping, true, session.goods()),
                        session.goods());
                } else if (write == "update") {
                    const QString folder = m_dir.filePath(m_database);
                    QDir().mkpath(folder);
                    TestSupport::makeTemplate(folder + QStringLiteral("/dorvik.dat"));
                    TestSupport::openFreshWorkingDatabase(session, folder,
                                                          folder + QStringLiteral("/dorvik.dat"));
                    Position position;
                    position.caption = QStringLiteral("Новое");
                    position.quantity = 1;
                    QList<Position> positions;
                    for (const char *name : {"ВК-1", "ВК-4", "Нов"}) {
                        position.name = QString::fromUtf8(name);
                        positions << position;
                    }
                    session.document().positions().replaceAll(positions);
                    CatalogueUpdate::writeShown(session);
                } else {
                    GroupOrder::move(session, 0, 2);
                    GroupOrder::writeOrder(session, prompts);
                }
            } catch (const AppError &error) {
                message = error.message();
            }
            QVERIFY2(m_server->interrupted(), qPrintable(m_server->failure()));
            holder.rollback();
            holder.close();
        }
        QSqlDatabase::removeDatabase("holder");
        if (how == Interruption::StopServer)
            QVERIFY2(m_server->start(), qPrintable(m_server->failure()));
        QVERIFY2(message.contains("потеряна") &&
                     message.contains("Ничего из этой записи в каталог не записано"),
                 qPrintable(message));
        QCOMPARE(goodsOnServer(), goods);
        QCOMPARE(orderOnServer(), order);
        // The next call connects again.
        QCOMPARE(session.goods().groupOrder().join(u'|'), order);
    }

    // The program started while its catalogue's server is down says so, and
    // still opens, edits and saves a specification, saying that its
    // positions were not completed from the catalogue.
    void programWithoutItsServer()
    {
        const QString folder = m_dir.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(folder));
        TestSupport::makeTemplate(folder + QStringLiteral("/dorvik.dat"));
        const QString file = m_dir.filePath(QStringLiteral("Отопление.СО"));
        QVERIFY(QFile::copy(QStringLiteral(KV_SOURCE_DIR "/resources/Пример.СО"), file));
        QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kvintor"))
            .setValue(QStringLiteral("catalogue"), m_address);
        QVERIFY(m_server->stop());
        const auto restart = qScopeGuard([this] {
            m_server->start();
            QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kvintor"))
                .remove(QStringLiteral("catalogue"));
        });
        ScriptedPrompts prompts;
        {
            Program program({folder, {}, {}, QDateTime::currentDateTime()}, &prompts);
            QCOMPARE(program.startUpProblems().size(), 1);
            const QString problem = program.startUpProblems().first().message();
            QVERIFY2(problem.contains("Не удалось подключиться к серверу каталога") &&
                         problem.contains("позиции не дополняются из базы товара"),
                     qPrintable(problem));
            prompts.openAnswers << file;
            program.openSpecification();
            QCOMPARE(prompts.notices.size(), 1);
            QVERIFY2(prompts.notices[0].contains("её позиции не дополнены из базы товара"),
                     qPrintable(prompts.notices[0]));
            EditorWindow &editor = program.editorWindow();
            QVERIFY(editor.isVisible());
            QVERIFY(editor.grid()->model()->setData(
                editor.grid()->model()->index(0, PositionsModel::Quantity), QStringLiteral("7")));
            editor.actions().saveInPlace->trigger();
            QVERIFY(!program.session().document().isModified());
        }
        QCOMPARE(m_errors, QStringList());
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QStringDecoder cp1251("windows-1251");
        QVERIFY(QString(cp1251(saved.readAll())).contains("\r\nВР-4\r\n7\r\n"));
    }
};

QTEST_MAIN(OfficeServerTest)
#include "tst_officeserver.moc"
