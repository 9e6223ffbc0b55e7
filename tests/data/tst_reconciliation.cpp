#include "AppError.h"
#include "Reconciliation.h"
#include "Session.h"
#include "Statement.h"
#include "TestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Completing positions from the catalogue and rebuilding the lists.
class ReconciliationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_catalogue;
    QString m_template;

    // A session over the test catalogue with positions
    // (name, caption, quantity, position, group number, remark).
    std::unique_ptr<Session> session(const QList<QVariantList> &positions)
    {
        auto s = std::make_unique<Session>();
        s->setCatalogueFile(m_catalogue);
        TestSupport::openFreshWorkingDatabase(*s, m_dir.path(), m_template);
        for (const QVariantList &p : positions)
            s->working().exec(QStringLiteral("INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG, "
                                             "Comment) VALUES (?, ?, ?, 'x', ?, ?, ?)"),
                              p);
        return s;
    }

    static QString row(Session &s, int poz)
    {
        Statement select(s.working(),
                         QStringLiteral("SELECT Name, Caption, KOL, Abb, Cost, M, TYP, COD, Firma, "
                                        "Gruppa, Comment, POZ, NG FROM data WHERE POZ = ?"));
        select.bind(0, qint64(poz));
        if (!select.next())
            return QStringLiteral("(none)");
        QStringList values;
        for (int column = 0; column < 13; ++column)
            values << (select.isNull(column) ? QStringLiteral("∅") : select.text(column));
        return values.join(u'|');
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
        m_catalogue = m_dir.filePath(QStringLiteral("dorvik-Vent.mdb"));
        TestSupport::makeCatalogue(
            m_catalogue,
            {{QStringLiteral("ВК-160"), QStringLiteral("Воздуховод «ВК» d=160"),
              QStringLiteral("мп"), 4.5, QStringLiteral("1,2"), QStringLiteral("ВКК"),
              QStringLiteral("7.1"), QStringLiteral("Завод 'Север'"),
              QStringLiteral("Воздуховоды")},
             {QStringLiteral("ВР-4"), QStringLiteral("Вентилятор \"ВР\""), QStringLiteral("Шт"),
              QVariant(), QStringLiteral("42"), QStringLiteral("ВР-80"), QStringLiteral("7.2"),
              QStringLiteral("ВентСтрой"), QStringLiteral("Вентиляторы")},
             {QStringLiteral("ВР-4"),
              QStringLiteral("второй с тем же именем"),
              QStringLiteral("л"),
              1.0,
              {},
              {},
              {},
              {},
              QStringLiteral("Прочее")},
             {QStringLiteral("Гер"),
              QStringLiteral("Герметик"),
              QStringLiteral("л"),
              3.0,
              {},
              {},
              {},
              QString(),
              QString()}},
            {QStringLiteral("Вентиляторы"), QStringLiteral("Воздуховоды")});
    }

    void positionsTakeTheCataloguesData()
    {
        auto s =
            session({{QStringLiteral("вк-160"), QStringLiteral("своё"), 2.5, 1, 5,
                      QStringLiteral("этаж 1")},
                     {QStringLiteral("ВК-160"), QStringLiteral("ВК-160"), -1.0, 2, 5, QVariant()},
                     {QStringLiteral("ВР-4"), QStringLiteral("ВР-4"), 1.0, 3, 0, QVariant()},
                     {QStringLiteral("Нет такого"), QStringLiteral("Нет такого"), 7.0, 4, 999,
                      QStringLiteral("прим.")},
                     {QStringLiteral("Гер"), QStringLiteral("Гер"), QVariant(), 5, 0, QVariant()}});
        QSignalSpy progress(s.get(), &Session::progress);
        Reconciliation::reconcile(*s);

        // Found by name whatever the letter case; quantity, remark and numbers stay.
        QCOMPARE(row(*s, 1), QStringLiteral("вк-160|Воздуховод «ВК» d=160|2.5|мп|4.5|1,2|ВКК|7.1|"
                                            "Завод 'Север'|Воздуховоды|этаж 1|1|5"));
        QCOMPARE(row(*s, 2), QStringLiteral("ВК-160|Воздуховод «ВК» d=160|-1.0|мп|4.5|1,2|ВКК|7.1|"
                                            "Завод 'Север'|Воздуховоды|∅|2|5"));
        // The first good of a name counts; an empty price stays empty.
        QCOMPARE(row(*s, 3),
                 QStringLiteral("ВР-4|Вентилятор \"ВР\"|1.0|Шт|∅|42|ВР-80|7.2|ВентСтрой|"
                                "Вентиляторы|∅|3|0"));
        QCOMPARE(row(*s, 4), QStringLiteral("Нет такого|Нет такого|7.0|x|∅|∅|∅|∅|∅|∅|прим.|4|999"));

        QCOMPARE(progress.first(), (QVariantList{0, 5}));
        QCOMPARE(progress.last(), (QVariantList{0, 5}));
        QVERIFY(progress.contains(QVariantList{5, 5}));
    }

    void listsComeFromSpecificationAndCatalogue()
    {
        auto s = session({{QStringLiteral("ВР-4"), QStringLiteral("x"), 1.0, 1, 2, QVariant()},
                          {QStringLiteral("ВК-160"), QStringLiteral("x"), 1.0, 2, 1, QVariant()},
                          {QStringLiteral("ВР-4"), QStringLiteral("x"), 1.0, 3, 5, QVariant()},
                          {QStringLiteral("Гер"), QStringLiteral("x"), 1.0, 4, 0, QVariant()}});
        s->setViewFilter({PositionFilter::Kind::Maker, QStringLiteral("ВентСтрой")});
        Reconciliation::reconcile(*s);
        QCOMPARE(s->groupFilterList(),
                 (QStringList{"Неопределенные", "Все группы", "Воздуховоды", "Вентиляторы"}));
        QCOMPARE(s->makerFilterList(),
                 (QStringList{"Все производители", "ВентСтрой", "Завод 'Север'"}));
        QCOMPARE(s->groupFieldList(), (QStringList{"Вентиляторы", "Воздуховоды", "Прочее"}));
        QCOMPARE(s->pickerGroupList(),
                 (QStringList{"Все группы", "Вентиляторы", "Воздуховоды", "Прочее"}));
        QCOMPARE(s->viewFilter().kind, PositionFilter::Kind::All);
    }

    void emptySpecificationStillGetsTheCatalogueGroups()
    {
        auto s = session({});
        Reconciliation::reconcile(*s);
        QCOMPARE(s->groupFilterList(), (QStringList{"Неопределенные", "Все группы"}));
        QCOMPARE(s->makerFilterList(), QStringList{"Все производители"});
        QCOMPARE(s->groupFieldList().size(), 3);
    }

    // Goods that another tool (the sqlite3 shell) added or renamed, in any
    // letter case, are found the next time the program reads the catalogue,
    // and the file stays sound for that tool.
    void goodsWrittenByOtherToolsAreFound_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("caption");
        QTest::newRow("added in Cyrillic")
            << QStringLiteral("INSERT INTO dorvik_data (Name, Caption) VALUES ('ЁЖ-Нов', 'Ёж')")
            << QStringLiteral("ёж-НОВ") << QStringLiteral("Ёж");
        QTest::newRow("renamed") << QStringLiteral(
                                        "UPDATE dorvik_data SET Name = 'гЕР-ё' WHERE Name = 'Гер'")
                                 << QStringLiteral("ГЕР-Ё") << QStringLiteral("Герметик");
        QTest::newRow("added with a wrong key")
            << QStringLiteral("INSERT INTO dorvik_data (Name, Caption, NameKey) "
                              "VALUES ('Щит-Ё', 'Щит', 'щит-е')")
            << QStringLiteral("щит-ё") << QStringLiteral("Щит");
        QTest::newRow("old name is gone")
            << QStringLiteral("UPDATE dorvik_data SET Name = 'ВК-200' WHERE Name = 'ВК-160'")
            << QStringLiteral("вк-160") << QStringLiteral("вк-160");
    }

    void goodsWrittenByOtherToolsAreFound()
    {
        QFETCH(QString, sql);
        QFETCH(QString, asked);
        QFETCH(QString, caption);
        const QString copy =
            m_dir.filePath(QStringLiteral("tool-%1.mdb").arg(QTest::currentDataTag()));
        QVERIFY(QFile::copy(m_catalogue, copy));
        QCOMPARE(TestSupport::plainSqlite(copy, sql), QStringList());

        auto s = session({{asked, asked, 1.0, 1, 0, QVariant()}});
        s->setCatalogueFile(copy);
        Reconciliation::reconcile(*s);
        QCOMPARE(row(*s, 1).section(u'|', 1, 1), caption);
        QCOMPARE(TestSupport::plainSqlite(copy, QStringLiteral("PRAGMA integrity_check")),
                 QStringList{QStringLiteral("ok")});
    }

    void missingCatalogueChangesNothing()
    {
        auto s =
            session({{QStringLiteral("ВК-160"), QStringLiteral("своё"), 1.0, 1, 0, QVariant()}});
        s->setCatalogueFile(m_dir.filePath(QStringLiteral("нет.mdb")));
        QVERIFY_THROWS_EXCEPTION(AppError, Reconciliation::reconcile(*s));
        QCOMPARE(row(*s, 1).section(u'|', 1, 1), QStringLiteral("своё"));
    }
};

QTEST_GUILESS_MAIN(ReconciliationTest)
#include "tst_reconciliation.moc"
