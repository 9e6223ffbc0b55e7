#include "AppError.h"
#include "ComponentPicker.h"
#include "DuplicatePositionDialog.h"
#include "ErrorReport.h"
#include "GoodsModel.h"
#include "PickerFilter.h"
#include "PositionsModel.h"
#include "PutGood.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "TestSupport.h"
#include "TypeText.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

// The component picker: which goods the search finds, how a good goes into
// the current position, and the merge with a position that already holds it.
class PickerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_catalogue;
    QString m_template;
    QStringList m_errors;

    struct Fixture {
        Session session;
        ScriptedPrompts prompts;
        std::unique_ptr<PositionsModel> positions;
        QList<DuplicatePosition> merges;
        std::optional<double> mergeAnswer;

        PutGood::Outcome add(int row, const Good &good)
        {
            const PutGood::Outcome outcome =
                PutGood::put(session, prompts, positions->rowKey(row), good,
                             [this](const DuplicatePosition &duplicate) {
                                 merges << duplicate;
                                 return mergeAnswer;
                             });
            positions->reload();
            return outcome;
        }
        // The picker's way into the specification, as the program wires it.
        ComponentPicker::GoodTaker taker(int row)
        {
            return [this, row](const Good &good) {
                const PutGood::Outcome outcome = add(row, good);
                return outcome == PutGood::Outcome::Filled || outcome == PutGood::Outcome::Merged;
            };
        }
        QVariant value(const QString &sql, const QVariantList &values = {})
        {
            return session.working().scalar(sql, values);
        }
    };

    // A specification of (name, caption, quantity) positions over the
    // test catalogue.
    std::unique_ptr<Fixture> fixture(const QList<QVariantList> &positions)
    {
        auto f = std::make_unique<Fixture>();
        f->session.setCatalogueFile(m_catalogue);
        TestSupport::openFreshWorkingDatabase(f->session, m_dir.path(), m_template);
        int number = 1;
        for (const QVariantList &p : positions)
            f->session.working().exec(
                QStringLiteral("INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG, Comment) "
                               "VALUES (?, ?, ?, 'Шт', ?, 4, 'этаж 2')"),
                {p[0], p[1], p[2], number++});
        f->positions = std::make_unique<PositionsModel>(f->session);
        f->positions->reload();
        return f;
    }

    static Good fan()
    {
        return {QStringLiteral("ВР-4"),       QStringLiteral("Вентилятор радиальный ВР-4"),
                QStringLiteral("Шт"),         QVariant(410.5),
                QStringLiteral("42,5"),       QStringLiteral("ВР-80-75-4"),
                QStringLiteral("7.01"),       QStringLiteral("ВентСтрой"),
                QStringLiteral("Вентиляторы")};
    }

    QStringList found(const GoodsCriteria &criteria)
    {
        Session session;
        session.setCatalogueFile(m_catalogue);
        std::unique_ptr<GoodsModel> list(ComponentPicker::makeList(session.goods(), nullptr));
        list->show(criteria);
        list->readAll();
        QStringList names;
        for (int row = 0; row < list->rowCount(); ++row)
            names << list->good(row).name;
        return names;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
        m_catalogue = m_dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        const auto good = [](const char *name, const char *caption, const char *type,
                             const char *maker, const char *group) {
            return QVariantList{QString::fromUtf8(name), QString::fromUtf8(caption),
                                QStringLiteral("Шт"),    1.0,
                                QStringLiteral("1"),     QString::fromUtf8(type),
                                QStringLiteral("c"),     QString::fromUtf8(maker),
                                QString::fromUtf8(group)};
        };
        TestSupport::makeCatalogue(
            m_catalogue,
            {good("ВР-4", "Вентилятор радиальный ВР-4", "ВР-80", "ВентСтрой", "Вентиляторы"),
             good("ВК-160", "Воздуховод круглый d=160", "ВКК-160", "Климатика", "Воздуховоды"),
             good("РКВ-1", "Клапан \"КВР\" 100% герметичный", "КВР_1", "Климатика",
                  "Клапаны и заслонки"),
             good("Кл-Д", "Клапан дымоудаления o'Brien", "КД", "ООО «Дым»", "Клапаны и заслонки"),
             good("Гер", "Герметик силиконовый", "", "Химпром", ""),
             {QStringLiteral("Пусто"), QVariant(), {}, {}, {}, {}, {}, {}, {}}});
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
    }

    void init() { m_errors.clear(); }

    void searchFindsTheRightGoods_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("maker");
        QTest::addColumn<QStringList>("names");
        const QString all = Session::kAllGroupsItem;
        QTest::newRow("nothing typed: every good with a description")
            << "" << all << ""
            << "" << QStringList{"ВР-4", "ВК-160", "РКВ-1", "Кл-Д", "Гер"};
        QTest::newRow("lower case") << "клапан" << all << ""
                                    << "" << QStringList{"РКВ-1", "Кл-Д"};
        QTest::newRow("upper case") << "КЛАПАН" << all << ""
                                    << "" << QStringList{"РКВ-1", "Кл-Д"};
        QTest::newRow("words in any order") << "дымоудаления клапан" << all << ""
                                            << "" << QStringList{"Кл-Д"};
        QTest::newRow("a word nowhere") << "клапан насос" << all << ""
                                        << "" << QStringList{};
        QTest::newRow("two blanks make an empty word") << "клапан  " << all << ""
                                                       << "" << QStringList{"РКВ-1", "Кл-Д"};
        QTest::newRow("percent is a percent") << "100%" << all << ""
                                              << "" << QStringList{"РКВ-1"};
        QTest::newRow("percent alone matches no other text") << "%" << all << ""
                                                             << "" << QStringList{"РКВ-1"};
        QTest::newRow("underscore is an underscore") << "" << all << "вр_"
                                                     << "" << QStringList{"РКВ-1"};
        QTest::newRow("double quote") << "\"квр\"" << all << ""
                                      << "" << QStringList{"РКВ-1"};
        QTest::newRow("apostrophe") << "o'brien" << all << ""
                                    << "" << QStringList{"Кл-Д"};
        QTest::newRow("group") << ""
                               << "Клапаны и заслонки"
                               << ""
                               << "" << QStringList{"РКВ-1", "Кл-Д"};
        QTest::newRow("group in another letter case") << ""
                                                      << "клапаны И ЗАСЛОНКИ"
                                                      << ""
                                                      << "" << QStringList{"РКВ-1", "Кл-Д"};
        // "в" looks like a Latin "b", as in "o'Brien".
        QTest::newRow("empty group restricts nothing")
            << "в"
            << ""
            << ""
            << "" << QStringList{"ВР-4", "ВК-160", "РКВ-1", "Кл-Д", "Гер"};
        // Typed on the other keyboard: Cyrillic о, В, е for Latin, Latin for Cyrillic.
        QTest::newRow("look-alike letters in words") << "о'Вriеn" << all << ""
                                                     << "" << QStringList{"Кл-Д"};
        QTest::newRow("look-alike letters in type and maker") << "" << all << "BKK"
                                                              << "Kлимaт" << QStringList{"ВК-160"};
        QTest::newRow("type and maker") << "" << all << "вкк"
                                        << "климат" << QStringList{"ВК-160"};
        QTest::newRow("maker with quotes") << "" << all << ""
                                           << "«дым»" << QStringList{"Кл-Д"};
    }

    void searchFindsTheRightGoods()
    {
        QFETCH(QString, words);
        QFETCH(QString, group);
        QFETCH(QString, type);
        QFETCH(QString, maker);
        QFETCH(QStringList, names);
        QCOMPARE(found(PickerFilter::typing({words, group, type, maker})), names);
        QVERIFY(m_errors.isEmpty());
    }

    void groupChangeIgnoresTheOtherFields()
    {
        QCOMPARE(found(PickerFilter::groupChange(QStringLiteral("Клапаны и заслонки"))),
                 (QStringList{"РКВ-1", "Кл-Д"}));
        // Goods without a group, whether their group is empty text or nothing.
        QCOMPARE(found(PickerFilter::groupChange(QString())), (QStringList{"Гер", "Пусто"}));
        QCOMPARE(found(PickerFilter::groupChange(Session::kAllGroupsItem)).size(), 6);
    }

    void mergeArithmetic_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("increment");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("total");
        QTest::newRow("whole") << "5"
                               << "3" << true << 8.0;
        QTest::newRow("point") << "2"
                               << "1.5" << true << 3.5;
        QTest::newRow("comma") << "2,5"
                               << "1" << true << 3.5;
        QTest::newRow("empty is zero") << ""
                                       << "2" << true << 2.0;
        QTest::newRow("negative") << "2"
                                  << "-3" << true << -1.0;
        QTest::newRow("not a number") << "2"
                                      << "1,5,1" << false << 0.0;
    }

    void mergeArithmetic()
    {
        QFETCH(QString, existing);
        QFETCH(QString, increment);
        QFETCH(bool, ok);
        QFETCH(double, total);
        const std::optional<double> sum = PutGood::mergeTotal(existing, increment);
        QCOMPARE(sum.has_value(), ok);
        if (ok)
            QCOMPARE(*sum, total);
    }

    void duplicateDialogShowsTheSum()
    {
        DuplicatePositionDialog dialog;
        dialog.fill({QStringLiteral("ВР-4"), QStringLiteral("Вентилятор"), QStringLiteral("ВР-80"),
                     QStringLiteral("7.01"), QStringLiteral("ВентСтрой"), QStringLiteral("Шт"),
                     QStringLiteral("2"), QStringLiteral("1")});
        auto *increment = dialog.findChild<QLineEdit *>(QStringLiteral("Edit6"));
        auto *total = dialog.findChild<QLineEdit *>(QStringLiteral("Edit7"));
        QCOMPARE(total->text(), QStringLiteral("3"));
        increment->setText(QStringLiteral("1.5"));
        QCOMPARE(total->text(), QStringLiteral("3,5"));
        increment->setText(QStringLiteral("абв"));
        QCOMPARE(total->text(), QStringLiteral("3,5")); // keeps its last value
        // ... but OK takes no total while the increment is no number.
        QVERIFY(!dialog.total());
        QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("Button1"))->isEnabled());
    }

    void goodFillsAnEmptyRowWithoutAsking()
    {
        auto f = fixture({{QVariant(), QVariant(), 3.0}});
        QCOMPARE(f->add(0, fan()), PutGood::Outcome::Filled);
        QVERIFY(f->prompts.questions.isEmpty());
        QCOMPARE(
            f->value(QStringLiteral("SELECT Name || '|' || Caption || '|' || Abb || '|' || Cost "
                                    "|| '|' || M || '|' || TYP || '|' || COD || '|' || Firma "
                                    "|| '|' || Gruppa FROM data"))
                .toString(),
            QStringLiteral("ВР-4|Вентилятор радиальный ВР-4|Шт|410.5|42,5|ВР-80-75-4|7.01|"
                           "ВентСтрой|Вентиляторы"));
        // Quantity, numbers and remark stay the position's own.
        QCOMPARE(f->value(QStringLiteral("SELECT KOL || '|' || POZ || '|' || NG || '|' || Comment "
                                         "FROM data"))
                     .toString(),
                 QStringLiteral("3.0|1|4|этаж 2"));
        QVERIFY(f->session.groupFilterList().contains(QStringLiteral("Вентиляторы")));
    }

    void replacingAsksFirst()
    {
        auto f = fixture({{QStringLiteral("ВК-160"), QStringLiteral("Воздуховод"), 2.0}});
        f->prompts.answers = {false};
        QCOMPARE(f->add(0, fan()), PutGood::Outcome::Declined);
        QCOMPARE(f->prompts.questions,
                 QStringList{QStringLiteral(
                     "Заменить позицию \"Воздуховод\" на \"Вентилятор радиальный ВР-4\"?")});
        QCOMPARE(f->value(QStringLiteral("SELECT Name FROM data")).toString(),
                 QStringLiteral("ВК-160"));

        f->prompts.answers = {true};
        QCOMPARE(f->add(0, fan()), PutGood::Outcome::Filled);
        QCOMPARE(f->value(QStringLiteral("SELECT Name || '|' || KOL || '|' || POZ FROM data"))
                     .toString(),
                 QStringLiteral("ВР-4|2.0|1"));
    }

    void theSameGoodChangesNothing()
    {
        auto f = fixture({{QStringLiteral("вр-4"), QStringLiteral("свой"), 2.0}});
        QCOMPARE(f->add(0, fan()), PutGood::Outcome::Unchanged);
        QVERIFY(f->prompts.questions.isEmpty() && f->merges.isEmpty());
        QCOMPARE(f->value(QStringLiteral("SELECT Caption FROM data")).toString(),
                 QStringLiteral("свой"));
    }

    void goodAlreadyPresentIsMerged()
    {
        auto f = fixture({{QStringLiteral("ВР-4"), QStringLiteral("Вентилятор"), 5.0},
                          {QStringLiteral("вр-4"), QStringLiteral("Вентилятор"), 1.0},
                          {QVariant(), QVariant(), 3.0}});
        f->mergeAnswer = std::nullopt;
        QCOMPARE(f->add(2, fan()), PutGood::Outcome::MergeCancelled);
        QCOMPARE(f->value(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 3);
        QCOMPARE(f->merges.size(), 1);
        QCOMPARE(f->merges.first().existingQuantity, QStringLiteral("5"));
        QCOMPARE(f->merges.first().increment, QStringLiteral("3"));
        QCOMPARE(f->merges.first().unit, QStringLiteral("Шт"));

        f->mergeAnswer = 8.0;
        QCOMPARE(f->add(2, fan()), PutGood::Outcome::Merged);
        QCOMPARE(f->value(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(), 2);
        QCOMPARE(f->value(QStringLiteral("SELECT COUNT(*) FROM data WHERE KOL = 8")).toInt(), 2);
        QCOMPARE(f->positions->rowCount(), 2);
    }

    // The merge is one change: when its last step fails, the quantities it
    // raised are back as they were and the current position is still there.
    void failedMergeChangesNothing()
    {
        auto f = fixture({{QStringLiteral("ВР-4"), QStringLiteral("Вентилятор"), 5.0},
                          {QVariant(), QVariant(), 3.0}});
        f->session.working().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON data "
                                                 "BEGIN SELECT RAISE(ABORT, 'занято'); END"));
        f->session.document().markSaved();
        f->mergeAnswer = 8.0;
        QVERIFY_THROWS_EXCEPTION(AppError, f->add(1, fan()));
        QCOMPARE(f->value(QStringLiteral("SELECT group_concat(KOL, '|') FROM data")).toString(),
                 QStringLiteral("5.0|3.0"));
        QVERIFY(!f->session.document().isModified());
    }

    void pickerWorksFromTheKeyboard()
    {
        auto f = fixture({{QVariant(), QVariant(), 1.0}});
        ComponentPicker picker(f->session);
        QSignalSpy closed(&picker, &ComponentPicker::closed);
        picker.pickFor(f->taker(0));
        QCOMPARE(picker.list()->rowCount(), 5);
        auto *words = picker.findChild<QLineEdit *>(QStringLiteral("Edit1"));
        words->setFocus();
        typeText(words, QStringLiteral("КЛАПАН"));
        QCOMPARE(picker.list()->rowCount(), 2);
        QTest::keyClick(words, Qt::Key_Down);
        QCOMPARE(picker.listView()->currentIndex().row(), 1);
        QCOMPARE(picker.findChild<QLineEdit *>(QStringLiteral("DBEdit1"))->text(),
                 QStringLiteral("Кл-Д"));
        QTest::keyClick(words, Qt::Key_Return);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.first().first().toBool(), true);
        QVERIFY(!picker.isVisible());
        QVERIFY(!f->session.catalogue().isOpen());
        QCOMPARE(f->value(QStringLiteral("SELECT Name FROM data")).toString(),
                 QStringLiteral("Кл-Д"));

        // Another opening shows the last search; "Добавить" on an empty list does nothing.
        picker.pickFor(f->taker(0));
        QCOMPARE(picker.list()->rowCount(), 2);
        typeText(words, QStringLiteral(" насос"));
        QCOMPARE(picker.list()->rowCount(), 0);
        picker.addCurrentGood();
        QVERIFY(picker.isVisible());
        picker.cancel();
        QCOMPARE(closed.last().first().toBool(), false);

        // Escape and Enter work from the list as from the words.
        picker.pickFor(f->taker(0));
        picker.listView()->setFocus();
        QTest::keyClick(picker.listView(), Qt::Key_Escape);
        QVERIFY(!picker.isVisible());
        QVERIFY(m_errors.isEmpty());
    }

    // A specification without positions takes the chosen good as its first.
    void goodGoesIntoAnEmptySpecification()
    {
        auto f = fixture({});
        QCOMPARE(f->add(-1, fan()), PutGood::Outcome::Filled);
        QCOMPARE(f->value(QStringLiteral("SELECT Name || '|' || Gruppa FROM data")).toString(),
                 QStringLiteral("ВР-4|Вентиляторы"));
    }
};

QTEST_MAIN(PickerTest)
#include "tst_picker.moc"
