#include "CatalogueUpdate.h"
#include "Combine.h"
#include "DrawingExchange.h"
#include "HeaderEdit.h"
#include "Numbering.h"
#include "PositionEditing.h"
#include "PutGood.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "SpecificationCommands.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

// What an edit may change: every position, the header and the file name.
struct State {
    QList<Position> positions;
    HeaderFields header;
    QString name;

    bool operator==(const State &) const = default;
};

State stateOf(Session &session)
{
    return {session.document().positions().read(), session.document().header(),
            session.document().name()};
}

using Edit = std::function<void(Session &session, ScriptedPrompts &prompts, const QString &dir)>;

qint64 keyOf(Session &session, const QString &name)
{
    for (const Position &position : session.document().positions().read())
        if (position.name == name)
            return position.key;
    return 0;
}

CatalogueGood good(const QString &name, const QString &caption, const QString &group)
{
    return {name, caption, QStringLiteral("Шт"), 10.0, QStringLiteral("2"), {}, {}, {}, group};
}

} // namespace

Q_DECLARE_METATYPE(Edit)

// Every edit of a specification is one step of its undo stack: undone, the
// positions, the header and the file name are what they were before it;
// done again, what they were after it; and the specification is modified
// exactly when it is away from the step it was opened or saved at.
class UndoTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_template;

    QString write(const QString &name, const QList<QStringList> &positions)
    {
        QStringList lines{QStringLiteral("// Заголовок")};
        for (int field = 0; field < HeaderFields::kStoredCount; ++field)
            lines << QStringLiteral("поле %1").arg(field + 1);
        lines << QStringLiteral("// Начало базы");
        for (const QStringList &position : positions)
            lines << position << QString();
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        return path;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
        TestSupport::makeCatalogue(m_dir.filePath(QStringLiteral("dorvik-Vent.mdb")),
                                   {{QStringLiteral("ВК-160"),
                                     QStringLiteral("Воздуховод d=160"),
                                     QStringLiteral("мп"),
                                     4.5,
                                     QStringLiteral("1,2"),
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
        write(QStringLiteral("В узле (2 шт).СО"),
              {{"1", "0", "ВР-4", "1", "Шт", "", ""}, {"2", "0", "Хомут", "4", "Шт", "", ""}});
        write(QStringLiteral("Номера.СО"), {{"7", "0", "вк-160", "1", "", "", ""}});
    }

    void everyEditUndoesAndRedoes_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("step"); // as "Отменить" names it

        QTest::newRow("cell") << Edit([](Session &s, ScriptedPrompts &, const QString &) {
            const qint64 key = keyOf(s, QStringLiteral("ВК-160"));
            PositionEditing::editCell(s.document(), key, PositionsTable::Quantity, "3");
            // Typing on in the same cell is the same step.
            PositionEditing::editCell(s.document(), key, PositionsTable::Quantity, "3,5");
        }) << "Правка: количество";
        QTest::newRow("row added") << Edit([](Session &s, ScriptedPrompts &, const QString &) {
            PositionEditing::addPosition(s.document(), PositionsTable::Caption, "Заглушка");
        }) << "Новая позиция";
        QTest::newRow("row deleted") << Edit([](Session &s, ScriptedPrompts &, const QString &) {
            PositionEditing::deletePosition(s.document(), keyOf(s, QStringLiteral("ВР-4")));
        }) << "Удаление позиции «ВР-4»";
        QTest::newRow("good put") << Edit([](Session &s, ScriptedPrompts &p, const QString &) {
            p.answers = {true};
            PutGood::put(s, p, keyOf(s, QStringLiteral("Своё")),
                         good(QStringLiteral("ВК-200"), QStringLiteral("Воздуховод d=200"),
                              QStringLiteral("Воздуховоды")),
                         {});
        }) << "Товар «ВК-200» в позицию";
        QTest::newRow("duplicate merged")
            << Edit([](Session &s, ScriptedPrompts &p, const QString &) {
                   PutGood::put(s, p, keyOf(s, QStringLiteral("Своё")),
                                good(QStringLiteral("ВР-4"), QStringLiteral("Вентилятор"),
                                     QStringLiteral("Вентиляторы")),
                                [](const DuplicatePosition &) { return 5.0; });
               })
            << "Слияние позиций «ВР-4»";
        QTest::newRow("sort") << Edit([](Session &s, ScriptedPrompts &, const QString &) {
            Numbering::sortAndNumber(s);
        }) << "Сортировка";
        QTest::newRow("empty removed") << Edit([](Session &s, ScriptedPrompts &p, const QString &) {
            p.answers = {true};
            Numbering::removeEmpty(s, p);
        }) << "Удалить нулевые";
        QTest::newRow("combined") << Edit([](Session &s, ScriptedPrompts &, const QString &dir) {
            Combine::combine(s, {{dir + QStringLiteral("/В узле (2 шт).СО"), 2}});
        }) << "Добавить спецификацию";
        QTest::newRow("synchronised")
            << Edit([](Session &s, ScriptedPrompts &p, const QString &dir) {
                   DrawingExchange::synchroniseFrom(s, p, dir + QStringLiteral("/Номера.СО"));
               })
            << "Синхронизация";
        QTest::newRow("header") << Edit([](Session &s, ScriptedPrompts &, const QString &) {
            HeaderEdit::make(s.document(), HeaderFields::Customer, "ООО «");
            HeaderEdit::make(s.document(), HeaderFields::Customer, "ООО «Тепло»");
        }) << "Правка заголовка";
        QTest::newRow("names from descriptions")
            << Edit([](Session &s, ScriptedPrompts &p, const QString &) {
                   CatalogueUpdate::updateCatalogue(s, p);
               })
            << "Имена блоков по описаниям";
    }

    void everyEditUndoesAndRedoes()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, step);
        QTemporaryDir run;
        Session session;
        session.setCatalogueFile(m_dir.filePath(QStringLiteral("dorvik-Vent.mdb")));
        session.setGroupOrder(session.goods().groupOrder());
        TestSupport::openFreshWorkingDatabase(session, run.path(), m_template);
        const QString file =
            write(QStringLiteral("Открыт.СО"), {{"3", "0", "ВК-160", "2", "мп", "", ""},
                                                {"1", "0", "ВР-4", "0", "Шт", "", "в узле"},
                                                {"2", "0", "Своё", "1", "компл", "", ""},
                                                {"4", "0", "", "1", "Шт", "Без имени", ""}});
        ScriptedPrompts prompts;
        prompts.openAnswers = {file};
        QCOMPARE(SpecificationCommands::open(session, prompts, {}),
                 SpecificationCommands::Outcome::Done);
        SpecificationDocument &document = session.document();
        QVERIFY(!document.isModified());
        QCOMPARE(document.undoStack().count(), 0);

        const State before = stateOf(session);
        edit(session, prompts, m_dir.path());
        const State after = stateOf(session);
        QVERIFY(after != before);
        QCOMPARE(document.undoStack().count(), 1);
        QCOMPARE(document.undoStack().undoText(), step);
        QVERIFY(document.isModified());

        document.undoStack().undo();
        QVERIFY(!document.takeFailure());
        QCOMPARE(stateOf(session), before);
        // Back at the step it was opened at: nothing to save.
        QVERIFY(!document.isModified());

        document.undoStack().redo();
        QVERIFY(!document.takeFailure());
        QCOMPARE(stateOf(session), after);
        QVERIFY(document.isModified());

        // Saved, then undone: modified again; redone: at the saved step.
        document.markSaved();
        document.undoStack().undo();
        QCOMPARE(stateOf(session), before);
        QVERIFY(document.isModified());
        document.undoStack().redo();
        QVERIFY(!document.isModified());
        SpecificationCommands::saveOnLeaving(session, prompts);
    }
};

QTEST_GUILESS_MAIN(UndoTest)
#include "tst_undo.moc"
