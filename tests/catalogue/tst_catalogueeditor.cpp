#include "CatalogueEditor.h"
#include "ErrorReport.h"
#include "GoodsModel.h"
#include "PriceListDialog.h"
#include "RowsGrid.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "TestSupport.h"
#include "TypeText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

// The catalogue editor: the group filter, the fill row and the block name.
class CatalogueEditorTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_errors;
    int m_counter = 0;

    struct Editor {
        Session session;
        ScriptedPrompts prompts;
        std::unique_ptr<CatalogueEditor> window;
        template <typename T> T *find(const char *name) const
        {
            return window->findChild<T *>(QLatin1String(name));
        }
        QStringList shownNames() const
        {
            QStringList names;
            for (int row = 0; row < window->goods()->rowCount(); ++row)
                names << window->goods()->good(row).name;
            return names;
        }
        int storedGoods()
        {
            session.catalogue().open();
            const int count = session.catalogue()
                                  .scalar(QStringLiteral("SELECT COUNT(*) FROM dorvik_data"))
                                  .toInt();
            session.catalogue().close();
            return count;
        }
        QString stored(const QString &column, const QString &name)
        {
            session.catalogue().open();
            const QString value =
                session.catalogue()
                    .scalar(QStringLiteral("SELECT %1 FROM dorvik_data WHERE Name = ?").arg(column),
                            {name})
                    .toString();
            session.catalogue().close();
            return value;
        }
    };

    std::unique_ptr<Editor> open()
    {
        const QString path = m_dir.filePath(QStringLiteral("cat%1.mdb").arg(++m_counter));
        const auto good = [](const char *name, const char *caption, const char *group) {
            return QVariantList{QString::fromUtf8(name), QString::fromUtf8(caption),
                                QStringLiteral("мп"),    2.5,
                                QStringLiteral("1,2"),   QStringLiteral("Т"),
                                QStringLiteral("К"),     QStringLiteral("Завод"),
                                QString::fromUtf8(group)};
        };
        TestSupport::makeCatalogue(path,
                                   {good("ВК-160", "Воздуховод 160", "Воздуховоды"),
                                    good("ВК-200", "Воздуховод 200", "Воздуховоды"),
                                    good("ВР-4", "Вентилятор", "Вентиляторы"),
                                    good("Гер", "Герметик", ""),
                                    good("Д'Арт", "Решетка \"Арт\"", "Решетки 'А'")},
                                   {QStringLiteral("Вентиляторы"), QStringLiteral("Воздуховоды"),
                                    QStringLiteral("Решетки 'А'")});
        auto editor = std::make_unique<Editor>();
        editor->session.setCatalogueFile(path);
        editor->window = std::make_unique<CatalogueEditor>(editor->session, editor->prompts);
        editor->window->open();
        QCoreApplication::processEvents();
        return editor;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
    }

    void init() { m_errors.clear(); }

    void groupFilter()
    {
        auto editor = open();
        auto *filter = editor->find<QComboBox>("ComboBox1");
        QCOMPARE(filter->currentText(), QStringLiteral("Все группы"));
        QStringList items;
        for (int i = 0; i < filter->count(); ++i)
            items << filter->itemText(i);
        QCOMPARE(items, (QStringList{"Неопределенные", "Все группы", "Вентиляторы", "Воздуховоды",
                                     "Решетки 'А'"}));
        QCOMPARE(editor->shownNames().size(), 5);

        filter->setCurrentText(QStringLiteral("Воздуховоды"));
        QCOMPARE(editor->shownNames(), (QStringList{"ВК-160", "ВК-200"}));
        filter->setCurrentText(QStringLiteral("Решетки 'А'"));
        QCOMPARE(editor->shownNames(), QStringList{"Д'Арт"});
        filter->setCurrentText(QStringLiteral("Неопределенные"));
        QCOMPARE(editor->shownNames(), QStringList{"Гер"});
        filter->setCurrentText(QStringLiteral("Все группы"));
        QCOMPARE(editor->shownNames().size(), 5);
        QVERIFY(m_errors.isEmpty());
    }

    void fillRowStampsGoods()
    {
        auto editor = open();
        auto *fillOn = editor->find<QCheckBox>("CheckBox1");
        auto *prefix = editor->find<QLineEdit>("Edit1");
        QVERIFY(fillOn->isVisible() && !prefix->isVisible());

        // Off: a double-click changes nothing.
        editor->window->stamp(0);
        QCOMPARE(editor->stored(QStringLiteral("Caption"), QStringLiteral("ВК-160")),
                 QStringLiteral("Воздуховод 160"));

        fillOn->setChecked(true);
        QVERIFY(prefix->isVisible());
        prefix->setText(QStringLiteral("Прямой "));
        editor->find<QComboBox>("ComboBox3")->setCurrentText(QStringLiteral("Решетки 'А'"));
        editor->find<QLineEdit>("Edit4")->setText(QStringLiteral("ООО «Вент»"));
        editor->find<QComboBox>("ComboBox2")->setCurrentText(QStringLiteral("кг"));
        editor->window->stamp(0);
        editor->window->stamp(0);
        QCOMPARE(editor->stored(QStringLiteral("Caption"), QStringLiteral("ВК-160")),
                 QStringLiteral("Прямой Прямой Воздуховод 160"));
        QCOMPARE(editor->stored(QStringLiteral("Gruppa"), QStringLiteral("ВК-160")),
                 QStringLiteral("Решетки 'А'"));
        QCOMPARE(editor->stored(QStringLiteral("TYP"), QStringLiteral("ВК-160")), QString());
        QCOMPARE(editor->stored(QStringLiteral("Firma"), QStringLiteral("ВК-160")),
                 QStringLiteral("ООО «Вент»"));
        QCOMPARE(editor->stored(QStringLiteral("Abb"), QStringLiteral("ВК-160")),
                 QStringLiteral("кг"));
        // Code, mass and price are not the fill row's.
        QCOMPARE(editor->stored(QStringLiteral("COD"), QStringLiteral("ВК-160")),
                 QStringLiteral("К"));
        QCOMPARE(editor->stored(QStringLiteral("Cost"), QStringLiteral("ВК-160")),
                 QStringLiteral("2.5"));

        // Unticking hides the controls and keeps their texts.
        fillOn->setChecked(false);
        QVERIFY(!prefix->isVisible());
        QCOMPARE(prefix->text(), QStringLiteral("Прямой "));
    }

    void addedGoodsAndRefusedPrices_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("editing"); // the text of an open cell editor
        // Actions: the navigator's buttons by their glyph, Escape, "COLUMN
        // TEXT" typed into the current row's cell, then Enter.
        QTest::newRow("+ then ✘") << "+; ✘" << 5 << 5 << QString();
        QTest::newRow("+ then Escape") << "+; Escape" << 5 << 5 << QString();
        QTest::newRow("+ then a description") << "+; 0 Дефлектор" << 6 << 6 << QString();
        QTest::newRow("a price that is no number") << "7 abc" << 5 << 5 << "abc";
        QTest::newRow("+ then a price that is no number") << "+; 7 abc" << 5 << 6 << "abc";
        QTest::newRow("+, a wrong price, then ✘") << "+; 7 abc; ✘" << 5 << 5 << QString();
    }

    // A good that "+" adds is stored only when something is typed into it;
    // a price that is no number stays in its cell, typed, for correcting.
    void addedGoodsAndRefusedPrices()
    {
        QFETCH(QString, actions);
        QFETCH(QString, editing);
        auto editor = open();
        RowsGrid *grid = editor->window->grid();
        grid->setFocus();
        const QHash<QString, const char *> buttons{{"+", "nbInsert"}, {"✘", "nbCancel"}};
        for (const QString &action : actions.split(QStringLiteral("; "))) {
            if (buttons.contains(action)) {
                QTest::mouseClick(editor->find<QToolButton>(buttons[action]), Qt::LeftButton);
            } else if (action == "Escape") {
                QTest::keyClick(grid, Qt::Key_Escape);
            } else {
                const QModelIndex target = editor->window->goods()->index(
                    grid->currentIndex().row(), action.section(u' ', 0, 0).toInt());
                grid->setCurrentIndex(target);
                grid->edit(target);
                auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget());
                QVERIFY(field);
                field->selectAll();
                typeText(field, action.section(u' ', 1));
                QTest::keyClick(field, Qt::Key_Return);
            }
            QCoreApplication::processEvents();
        }
        QTEST(editor->storedGoods(), "stored");
        QTEST(editor->window->goods()->rowCount(), "shown");
        auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        const bool inCell = field && grid->viewport()->isAncestorOf(field);
        QCOMPARE(inCell ? field->text() : QString(), editing);
        QCOMPARE(m_errors.size(), actions.contains(QStringLiteral("abc")) ? 1 : 0);
        QCOMPARE(editor->stored(QStringLiteral("Cost"), QStringLiteral("ВК-160")),
                 QStringLiteral("2.5"));
    }

    // The long texts' titles stand at the left, where the texts start.
    void longTextTitlesStandAtTheLeft()
    {
        auto editor = open();
        for (const int column : {0, 1}) {
            const auto alignment = editor->window->goods()
                                       ->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)
                                       .value<Qt::Alignment>();
            QCOMPARE(alignment & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        }
    }

    void blockNameAndLeaving()
    {
        auto editor = open();
        editor->window->grid()->setCurrentIndex(editor->window->goods()->index(2, 0));
        auto *name = editor->find<QLineEdit>("DBEdit1");
        QCOMPARE(name->text(), QStringLiteral("ВР-4"));
        name->setText(QStringLiteral("ВР-4-Н"));
        emit name->editingFinished();
        QCOMPARE(editor->stored(QStringLiteral("Caption"), QStringLiteral("ВР-4-Н")),
                 QStringLiteral("Вентилятор"));

        QSignalSpy left(editor->window.get(), &CatalogueEditor::left);
        QTest::mouseClick(editor->find<QPushButton>("Button1"), Qt::LeftButton);
        QCOMPARE(left.count(), 1);
        QVERIFY(!editor->window->isVisible());
        QVERIFY(!editor->session.catalogue().isOpen());
    }

    // "Импорт прайс-листа" through the real dialog: the file chosen, a
    // guessed column taken away and new goods off, the report asked about,
    // the goods written and shown; the columns remembered for the next
    // file of the supplier, whose import the user calls off.
    void importPriceList()
    {
        auto editor = open();
        const QString june = m_dir.filePath(QStringLiteral("Прайс 06.csv"));
        const QString july = m_dir.filePath(QStringLiteral("Прайс 07.csv"));
        for (const QString &path : {june, july}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Артикул;Наименование;Цена\nвк-160;Новое описание;3,5\nНов;Новый;1\n"
                       "Без цены;x;договорная\n");
        }
        const auto importFile = [&](const QString &path) -> PriceListDialog * {
            editor->prompts.openAnswers << path;
            editor->window->findChild<QAction *>(QStringLiteral("importPriceList"))->trigger();
            return editor->window->findChild<PriceListDialog *>(QStringLiteral("PriceListDialog"));
        };

        PriceListDialog *dialog = importFile(june);
        QVERIFY(dialog && dialog->isVisible());
        auto *caption = dialog->findChild<QComboBox *>(QStringLiteral("column_caption"));
        QCOMPARE(caption->currentText(), QStringLiteral("2. Наименование"));
        caption->setCurrentIndex(0);
        dialog->findChild<QCheckBox *>(QStringLiteral("addNewGoods"))->setChecked(false);
        editor->prompts.answers << true;
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")),
                          Qt::LeftButton);
        QVERIFY2(editor->prompts.questions.value(0).contains(
                     QStringLiteral("обновится 1, добавится 0, пропущено 2")),
                 qPrintable(editor->prompts.questions.value(0)));
        QCOMPARE(editor->prompts.notices,
                 QStringList{"Записано в базу товара: обновлено 1, добавлено 0"});
        QCOMPARE(editor->storedGoods(), 5);
        QCOMPARE(editor->stored(QStringLiteral("Cost"), QStringLiteral("ВК-160")),
                 QStringLiteral("3.5"));
        QCOMPARE(editor->stored(QStringLiteral("Caption"), QStringLiteral("ВК-160")),
                 QStringLiteral("Воздуховод 160"));
        QCOMPARE(editor->window->goods()->good(0).cost.toDouble(), 3.5);
        QVERIFY(!dialog->isVisible());
        QTest::qWait(0); // the closed dialog is deleted

        dialog = importFile(july);
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("column_caption"))->currentText(),
                 QStringLiteral("—"));
        editor->prompts.answers << false;
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")),
                          Qt::LeftButton);
        QCOMPARE(editor->prompts.questions.size(), 2);
        QVERIFY(dialog->isVisible());
        QCOMPARE(editor->storedGoods(), 5);
        QVERIFY(m_errors.isEmpty());
    }
};

QTEST_MAIN(CatalogueEditorTest)
#include "tst_catalogueeditor.moc"
