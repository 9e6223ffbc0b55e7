#include "EditorWindow.h"
#include "ErrorReport.h"
#include "FirmNameDialog.h"
#include "PositionsModel.h"
#include "RowsGrid.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "Settings.h"
#include "TestSupport.h"
#include "TypeText.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>
#include <QtTest>

// The editor window as the user works in it: the grid's colours and editing
// rules, the group box lists, the modified flag and the firm name.
class EditorWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_template;
    QStringList m_errors;

    struct Editor {
        Session session;
        Settings settings;
        ScriptedPrompts prompts;
        std::unique_ptr<EditorWindow> window;
        PositionsModel *model() const { return window->positions(); }
        RowsGrid *grid() const { return window->grid(); }
        template <typename T> T *find(const char *name) const
        {
            return window->findChild<T *>(QLatin1String(name));
        }
        double quantityInDatabase(const QString &name)
        {
            return session.working()
                .scalar(QStringLiteral("SELECT KOL FROM data WHERE Name = ?"), {name})
                .toDouble();
        }
        int storedPositions()
        {
            return session.working().scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt();
        }
    };

    // An editor over positions (name, quantity or null), shown and loaded.
    std::unique_ptr<Editor> open(const QList<QPair<QString, QVariant>> &positions)
    {
        auto editor = std::make_unique<Editor>();
        TestSupport::openFreshWorkingDatabase(editor->session, m_dir.path(), m_template);
        int number = 1;
        for (const auto &[name, quantity] : positions)
            editor->session.working().exec(
                QStringLiteral("INSERT INTO data (Name, Caption, KOL, Abb, POZ, NG) "
                               "VALUES (?, ?, ?, 'Шт', ?, 0)"),
                {name, name, quantity, number++});
        editor->window =
            std::make_unique<EditorWindow>(editor->session, editor->settings, editor->prompts);
        editor->window->show();
        QCoreApplication::processEvents();
        return editor;
    }

    static QModelIndex cell(Editor &editor, int row, int column)
    {
        return editor.model()->index(row, column);
    }

    // Types text into the cell's editor the way a user does.
    static void typeIntoCell(Editor &editor, const QModelIndex &index, const QString &text)
    {
        editor.grid()->setFocus();
        editor.grid()->setCurrentIndex(index);
        editor.grid()->edit(index);
        QWidget *cellEditor = QApplication::focusWidget();
        QVERIFY(cellEditor && editor.grid()->viewport()->isAncestorOf(cellEditor));
        if (auto *line = qobject_cast<QLineEdit *>(cellEditor))
            line->selectAll();
        typeText(cellEditor, text);
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
        m_template = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(m_template);
        ErrorReport::setSink([this](const QString &message) { m_errors << message; });
    }

    void init() { m_errors.clear(); }

    void windowHasItsFieldsAndButtons()
    {
        auto editor = open({});
        EditorWindow *window = editor->window.get();
        QCOMPARE(window->objectName(), QStringLiteral("TForm3"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Редактирование спецификации."));
        QCOMPARE(window->size(), QSize(1011, 546));
        const struct {
            const char *name;
            int limit;
            const char *text;
        } fields[] = {{"Edit7", 9, "ГИП"},
                      {"Edit9", 9, "Гл. спец."},
                      {"Edit11", 9, "Разраб"},
                      {"Edit13", 9, ""},
                      {"Edit1", 60, nullptr},
                      {"Edit2", 40, nullptr},
                      {"Edit3", 60, "Проект ремонта с перепланировкой административного здания"},
                      {"Edit20", 60, nullptr},
                      {"Edit4", 35, "Отопление."},
                      {"Edit19", 35, ""},
                      {"Edit5", 25, "119/11"},
                      {"Edit21", 25, "ОВ.СО"},
                      {"Edit6", 4, "РД"}};
        for (const auto &field : fields) {
            auto *edit = editor->find<QLineEdit>(field.name);
            QVERIFY2(edit, field.name);
            QCOMPARE(edit->maxLength(), field.limit);
            if (field.text)
                QCOMPARE(edit->text(), QString::fromUtf8(field.text));
        }
        QVERIFY(editor->find<QLineEdit>("DBEdit1")->isReadOnly());

        const QStringList titles{"Поз.",
                                 "Наименование товара",
                                 "Тип, марка",
                                 "Код оборудования",
                                 "Завод-изготовитель",
                                 "Ед.изм.",
                                 "Кол-во",
                                 "Масса, кг",
                                 "Примечания"};
        const QList<int> widths{32, 289, 106, 114, 109, 43, 49, 79, 116};
        for (int column = 0; column < titles.size(); ++column) {
            QCOMPARE(editor->model()->headerData(column, Qt::Horizontal).toString(),
                     titles[column]);
            QCOMPARE(editor->grid()->columnWidth(column), widths[column]);
        }

        const QStringList hints{"Фильтр",           "Сортировка",
                                "Обновить базу",    "Добавить спецификацию",
                                "Синхронизация",    "Сохранить спецификацию",
                                "Сохранить группу", "Экспорт в Acad",
                                "Поиск блока",      "Экспорт в Excel",
                                "Спецификация",     "Смета",
                                "Удалить нулевые"};
        const QStringList names{"SpeedButton12", "SpeedButton7", "SpeedButton8", "SpeedButton6",
                                "SpeedButton11", "SpeedButton5", "SpeedButton9", "SpeedButton2",
                                "SpeedButton13", "SpeedButton3", "SpeedButton1", "SpeedButton4",
                                "SpeedButton10"};
        int previousX = -1;
        for (int i = 0; i < names.size(); ++i) {
            auto *button = window->findChild<QToolButton *>(names[i]);
            QVERIFY(button);
            // A button with a key names it: "Спецификация (Ctrl+P)".
            QVERIFY2(button->toolTip() == hints[i] ||
                         button->toolTip().startsWith(hints[i] + QStringLiteral(" (Ctrl+")),
                     qPrintable(button->toolTip()));
            QVERIFY(button->x() > previousX);
            previousX = button->x();
        }
        const QStringList navigatorHints{"Первая запись", "Последняя запись", "Вставить",
                                         "Удалить",       "Принять",          "Отмена",
                                         "Refresh data"};
        QStringList shownHints;
        for (auto *button : editor->find<QWidget>("DBNavigator1")->findChildren<QToolButton *>())
            shownHints << button->toolTip();
        QCOMPARE(shownHints, navigatorHints);
        QCOMPARE(editor->find<QComboBox>("ComboBox1")->itemText(0),
                 QStringLiteral("Неопределенные"));
        QCOMPARE(editor->find<QComboBox>("ComboBox1")->itemText(1), QStringLiteral("Все группы"));
        QCOMPARE(editor->find<QComboBox>("ComboBox2")->itemText(0),
                 QStringLiteral("Все производители"));
    }

    void rowsAreColouredByQuantity()
    {
        auto editor = open({{QStringLiteral("ноль"), 0.0},
                            {QStringLiteral("пусто"), QVariant()},
                            {QStringLiteral("минус"), -1.5},
                            {QStringLiteral("два"), 2.0}});
        const QColor green(204, 255, 204);
        QCOMPARE(cell(*editor, 0, 1).data(Qt::BackgroundRole).value<QColor>(), green);
        QCOMPARE(cell(*editor, 1, 6).data(Qt::BackgroundRole).value<QColor>(), green);
        QCOMPARE(cell(*editor, 2, 3).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(!cell(*editor, 3, 1).data(Qt::BackgroundRole).isValid());

        // The focused cell of a coloured row is black; its neighbours keep the colour.
        editor->grid()->setFocus();
        editor->grid()->setCurrentIndex(cell(*editor, 0, PositionsModel::Type));
        const QImage image = editor->grid()->viewport()->grab().toImage();
        const QRect focused = editor->grid()->visualRect(cell(*editor, 0, PositionsModel::Type));
        const QRect beside = editor->grid()->visualRect(cell(*editor, 0, PositionsModel::Code));
        QCOMPARE(image.pixelColor(focused.topLeft() + QPoint(3, 3)), QColor(Qt::black));
        QCOMPARE(image.pixelColor(beside.topLeft() + QPoint(3, 3)), green);
    }

    void cellEditReachesTheDatabase_data()
    {
        QTest::addColumn<int>("leaveBy");
        QTest::newRow("leaving the column") << int(Qt::Key_Tab);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }

    void cellEditReachesTheDatabase()
    {
        QFETCH(int, leaveBy);
        auto editor = open({{QStringLiteral("ВК-160"), 1.0}});
        QVERIFY(!editor->session.document().isModified());
        typeIntoCell(*editor, cell(*editor, 0, PositionsModel::Quantity), QStringLiteral("2,5"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(leaveBy));
        QCoreApplication::processEvents();
        QCOMPARE(editor->quantityInDatabase(QStringLiteral("ВК-160")), 2.5);
        QCOMPARE(cell(*editor, 0, PositionsModel::Quantity).data().toString(),
                 QStringLiteral("2,5"));
        QVERIFY(editor->session.document().isModified());

        typeIntoCell(*editor, cell(*editor, 0, PositionsModel::Comment),
                     QStringLiteral("см. «лист 3» 'А' \"Б\""));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(leaveBy));
        QCoreApplication::processEvents();
        QCOMPARE(
            editor->session.working().scalar(QStringLiteral("SELECT Comment FROM data")).toString(),
            QStringLiteral("см. «лист 3» 'А' \"Б\""));
    }

    void refusedValueStaysInItsCell_data()
    {
        QTest::addColumn<QString>("leaveBy");
        QTest::newRow("Enter") << "enter";
        QTest::newRow("Tab") << "tab";
        QTest::newRow("Down to the next row") << "down";
        QTest::newRow("a click on the next row") << "click";
        QTest::newRow("the navigator's ✔") << "nbPost";
        QTest::newRow("the navigator's +") << "nbInsert";
    }

    // A value that is no number is refused once, and its cell stays in
    // editing with what was typed, for the user to correct.
    void refusedValueStaysInItsCell()
    {
        QFETCH(QString, leaveBy);
        auto editor = open({{QStringLiteral("ВК-160"), 1.0}, {QStringLiteral("ВК-200"), 2.0}});
        const QModelIndex quantity = cell(*editor, 0, PositionsModel::Quantity);
        typeIntoCell(*editor, quantity, QStringLiteral("два"));
        QWidget *typing = QApplication::focusWidget();
        if (leaveBy == "enter")
            QTest::keyClick(typing, Qt::Key_Return);
        else if (leaveBy == "tab")
            QTest::keyClick(typing, Qt::Key_Tab);
        else if (leaveBy == "down")
            QTest::keyClick(typing, Qt::Key_Down);
        else if (leaveBy == "click")
            QTest::mouseClick(
                editor->grid()->viewport(), Qt::LeftButton, {},
                editor->grid()->visualRect(cell(*editor, 1, PositionsModel::Caption)).center());
        else
            QTest::mouseClick(editor->find<QToolButton>(leaveBy.toLatin1().constData()),
                              Qt::LeftButton);
        QCoreApplication::processEvents();

        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(QStringLiteral("два")));
        auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(field && editor->grid()->viewport()->isAncestorOf(field));
        QCOMPARE(field->text(), QStringLiteral("два"));
        QCOMPARE(editor->grid()->currentIndex(), quantity);
        QCOMPARE(editor->model()->rowCount(), 2);
        QCOMPARE(editor->quantityInDatabase(QStringLiteral("ВК-160")), 1.0);
        QVERIFY(!editor->session.document().isModified());

        field->selectAll();
        typeText(field, QStringLiteral("3"));
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(editor->quantityInDatabase(QStringLiteral("ВК-160")), 3.0);
        QCOMPARE(QApplication::focusWidget(), editor->grid());
        QCOMPARE(m_errors.size(), 1);
    }

    void blankAddedRowsAreNotKept_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("modified");
        // Actions: keys, the navigator's buttons by their glyph, "type TEXT"
        // into the description of the current row, "price TEXT" into the
        // price box; the grid starts on the last of two positions.
        const auto row = [](const char *tag, const char *actions, int shown, int stored,
                            int current, bool modified) {
            QTest::newRow(tag) << QString::fromUtf8(actions) << shown << stored << current
                               << modified;
        };
        row("Down three times", "Down; Down; Down", 3, 2, 2, false);
        row("Down, then back up", "Down; Up", 2, 2, 1, false);
        row("Down, then a click above", "Down; click 0", 2, 2, 0, false);
        row("Escape takes it back", "Down; Escape", 2, 2, 1, false);
        row("+ then ✘", "⇤; +; ✘", 2, 2, 0, false);
        row("+ twice is one row", "⇤; +; +", 3, 2, 0, false);
        row("+ then − asks nothing", "⇤; +; −", 2, 2, 0, false);
        row("+ then a move away", "⇤; +; Down", 2, 2, 0, false);
        row("typed into", "Down; type Клапан", 3, 3, 2, true);
        row("typed into, then ✘ keeps it", "⇤; +; type Клапан; ✘", 3, 3, 0, true);
        row("Down below a typed row adds the next", "Down; type Клапан; Down; Up", 3, 3, 2, true);
        row("Down while typing writes, then adds", "Down; typing Клапан; Down", 4, 3, 3, true);
        row("a price makes it a position", "Down; price 12,5; Up", 3, 3, 1, true);
    }

    // A row that Down or "+" adds is stored only when something is put
    // into it; left blank or cancelled, it goes and changes nothing.
    void blankAddedRowsAreNotKept()
    {
        QFETCH(QString, actions);
        auto editor = open({{QStringLiteral("первая"), 1.0}, {QStringLiteral("вторая"), 2.0}});
        RowsGrid *grid = editor->grid();
        grid->setFocus();
        grid->setCurrentIndex(cell(*editor, 1, PositionsModel::Caption));
        const QHash<QString, const char *> buttons{
            {"⇤", "nbFirst"}, {"+", "nbInsert"}, {"−", "nbDelete"}, {"✘", "nbCancel"}};
        const QHash<QString, Qt::Key> keys{
            {"Down", Qt::Key_Down}, {"Up", Qt::Key_Up}, {"Escape", Qt::Key_Escape}};
        for (const QString &action : actions.split(QStringLiteral("; "))) {
            const QString verb = action.section(u' ', 0, 0);
            const QString argument = action.section(u' ', 1);
            if (keys.contains(verb)) {
                QTest::keyClick(QApplication::focusWidget(), keys[verb]);
            } else if (buttons.contains(verb)) {
                QTest::mouseClick(editor->find<QToolButton>(buttons[verb]), Qt::LeftButton);
            } else if (verb == "click") {
                const QModelIndex target = cell(*editor, argument.toInt(), PositionsModel::Type);
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                  grid->visualRect(target).center());
            } else if (verb == "type" || verb == "typing") {
                typeIntoCell(*editor,
                             cell(*editor, grid->currentIndex().row(), PositionsModel::Caption),
                             argument);
                if (verb == "type")
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                QCOMPARE(verb, QStringLiteral("price"));
                auto *price = editor->find<QLineEdit>("DBEdit2");
                price->setFocus();
                typeText(price, argument);
                QTest::keyClick(price, Qt::Key_Return);
                grid->setFocus();
            }
            QCoreApplication::processEvents();
        }
        QTEST(editor->model()->rowCount(), "shown");
        QTEST(editor->storedPositions(), "stored");
        QTEST(grid->currentIndex().row(), "current");
        QTEST(editor->session.document().isModified(), "modified");
        QCOMPARE(editor->prompts.questions, QStringList());
        QCOMPARE(m_errors, QStringList());
        // What the grid shows is what the table holds, once the row is left.
        const int away = editor->model()->pendingRow() == 0 ? 1 : 0;
        grid->setCurrentIndex(cell(*editor, away, PositionsModel::Caption));
        QCoreApplication::processEvents();
        QCOMPARE(editor->model()->rowCount(), editor->storedPositions());
    }

    void deletingAsksFirst()
    {
        auto editor = open({{QStringLiteral("первая"), 1.0}, {QStringLiteral("вторая"), 2.0}});
        editor->grid()->setCurrentIndex(cell(*editor, 0, PositionsModel::Caption));
        editor->prompts.answers = {false};
        QTest::mouseClick(editor->find<QToolButton>("nbDelete"), Qt::LeftButton);
        QCOMPARE(editor->prompts.questions, QStringList{QStringLiteral("Удалить запись?")});
        QCOMPARE(editor->model()->rowCount(), 2);
        QVERIFY(!editor->session.document().isModified());

        editor->prompts.answers = {true};
        QTest::mouseClick(editor->find<QToolButton>("nbDelete"), Qt::LeftButton);
        QCOMPARE(editor->model()->rowCount(), 1);
        QCOMPARE(
            editor->session.working().scalar(QStringLiteral("SELECT Name FROM data")).toString(),
            QStringLiteral("вторая"));
        QVERIFY(editor->session.document().isModified());
    }

    void onlyRealChangesMarkModified()
    {
        auto editor = open({{QStringLiteral("первая"), 1.0}, {QStringLiteral("вторая"), 2.0}});
        // Moving about and refreshing change nothing.
        editor->grid()->setCurrentIndex(cell(*editor, 1, 1));
        QTest::mouseClick(editor->find<QToolButton>("nbFirst"), Qt::LeftButton);
        QCOMPARE(editor->grid()->currentIndex().row(), 0);
        QTest::mouseClick(editor->find<QToolButton>("nbLast"), Qt::LeftButton);
        QTest::mouseClick(editor->find<QToolButton>("nbRefresh"), Qt::LeftButton);
        QCOMPARE(editor->grid()->currentIndex().row(), 1);
        // A header that a file brings is no change either.
        HeaderFields header = editor->session.document().header();
        header[HeaderFields::Customer] = QStringLiteral("ООО «Ромашка»");
        editor->session.document().setHeader(header);
        QCOMPARE(editor->find<QLineEdit>("Edit1")->text(), QStringLiteral("ООО «Ромашка»"));
        QVERIFY(!editor->session.document().isModified());

        auto *surname = editor->find<QLineEdit>("Edit8");
        surname->selectAll();
        typeText(surname, QStringLiteral("Петровский-Водкин"));
        QVERIFY(editor->session.document().isModified());
        QCOMPARE(editor->session.document().header()[HeaderFields::Surname1],
                 QStringLiteral("Петровски"));
    }

    void groupBoxWritesAndAddsToTheLists()
    {
        auto editor = open({{QStringLiteral("первая"), 1.0}});
        editor->session.setLists(
            {Session::kUndefinedGroupItem, Session::kAllGroupsItem, QStringLiteral("Вентиляторы")},
            {Session::kAllMakersItem}, {QStringLiteral("Вентиляторы")});
        editor->grid()->setCurrentIndex(cell(*editor, 0, 1));
        auto *groupBox = editor->find<QComboBox>("DBComboBox1");

        const auto typeAndLeave = [&](const QString &text) {
            groupBox->setFocus();
            groupBox->lineEdit()->selectAll();
            QTest::keyClick(groupBox->lineEdit(), Qt::Key_Backspace);
            typeText(groupBox->lineEdit(), text);
            editor->grid()->setFocus();
            QCoreApplication::processEvents();
        };
        typeAndLeave(QStringLiteral("Дымоудаление"));
        QCOMPARE(
            editor->session.working().scalar(QStringLiteral("SELECT Gruppa FROM data")).toString(),
            QStringLiteral("Дымоудаление"));
        QCOMPARE(editor->session.groupFilterList().count(QStringLiteral("Дымоудаление")), 1);
        QCOMPARE(editor->session.groupFieldList().count(QStringLiteral("Дымоудаление")), 1);
        QVERIFY(editor->session.document().isModified());

        typeAndLeave(QStringLiteral("Дымоудаление"));
        typeAndLeave(QString());
        typeAndLeave(QStringLiteral("вентиляторы"));
        QCOMPARE(editor->session.groupFilterList(),
                 (QStringList{Session::kUndefinedGroupItem, Session::kAllGroupsItem,
                              QStringLiteral("Вентиляторы"), QStringLiteral("Дымоудаление"),
                              QStringLiteral("вентиляторы")}));
        QCOMPARE(groupBox->count(), 3);
    }

    void priceBoxWritesTheCurrentPosition()
    {
        auto editor = open({{QStringLiteral("первая"), 1.0}});
        editor->grid()->setCurrentIndex(cell(*editor, 0, 1));
        auto *price = editor->find<QLineEdit>("DBEdit2");
        price->setFocus();
        typeText(price, QStringLiteral("12,75"));
        QTest::keyClick(price, Qt::Key_Return);
        QCOMPARE(
            editor->session.working().scalar(QStringLiteral("SELECT Cost FROM data")).toDouble(),
            12.75);
        QCOMPARE(editor->find<QLineEdit>("DBEdit1")->text(), QStringLiteral("первая"));
    }

    void firmNameComesFromTheSettingsAndTheDialog()
    {
        QSettings machine(QSettings::NativeFormat, QSettings::SystemScope,
                          QStringLiteral("Kvintor group"), QStringLiteral("Kvintor"));
        machine.setValue(QStringLiteral("9.11/Company"), QStringLiteral("ООО «Тепломонтаж»"));
        machine.sync();
        auto editor = open({});
        auto *label = editor->find<QLabel>("Label11");
        QCOMPARE(label->text(), QStringLiteral("ООО «Тепломонтаж»"));
        QCOMPARE(editor->settings.firma(), QStringLiteral("ООО «Тепломонтаж»"));

        QTest::mouseDClick(label, Qt::LeftButton);
        FirmNameDialog *dialog = editor->window->firmNameDialog();
        QVERIFY(dialog->isVisible() && !dialog->isModal());
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        QCOMPARE(field->text(), QStringLiteral("ООО «Тепломонтаж»"));
        field->setText(QStringLiteral("ИП Сидоров"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button2")),
                          Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("ООО «Тепломонтаж»"));
        QTest::mouseDClick(label, Qt::LeftButton);
        field->setText(QStringLiteral("ИП Сидоров"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")),
                          Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(label->text(), QStringLiteral("ИП Сидоров"));
        QCOMPARE(Settings().firma(), QStringLiteral("ИП Сидоров"));
        machine.remove(QStringLiteral("9.11/Company"));
        Settings().setFirma({});
    }

    void viewFiltersAndTotal()
    {
        auto editor = open({});
        Database &working = editor->session.working();
        const QList<QVariantList> rows{
            {QStringLiteral("ВК-160"), 10.0, 1, 0, QStringLiteral("Воздуховоды"),
             QStringLiteral("Север")},
            {QStringLiteral("ВК-200"), 2.5, 2, 0, QStringLiteral("Воздуховоды"),
             QStringLiteral("Юг")},
            {QStringLiteral("Д'Арт"), 3.0, 3, 1, QStringLiteral("Решетки 'А'"),
             QStringLiteral("Юг")},
            {QStringLiteral("Своё"), 4.0, 4, 999, QVariant(), QVariant()}};
        for (const QVariantList &row : rows)
            working.exec(
                QStringLiteral("INSERT INTO data (Caption, Name, KOL, POZ, NG, Gruppa, Firma) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                QVariantList{row.first()} + row);
        editor->session.setLists(
            {Session::kUndefinedGroupItem, Session::kAllGroupsItem, QStringLiteral("Воздуховоды"),
             QStringLiteral("Решетки 'А'")},
            {Session::kAllMakersItem, QStringLiteral("Север"), QStringLiteral("Юг")}, {});
        editor->window->refreshPositions();
        auto *groups = editor->find<QComboBox>("ComboBox1");
        auto *makers = editor->find<QComboBox>("ComboBox2");
        auto *total = editor->find<QLineEdit>("Edit22");
        auto *saveGroup = editor->find<QToolButton>("SpeedButton9");
        auto *toggle = editor->find<QToolButton>("SpeedButton12");
        const auto choose = [](QComboBox *box, const QString &text) {
            box->setCurrentText(text);
            emit box->textActivated(text);
        };
        const auto shown = [&] {
            QStringList names;
            for (int row = 0; row < editor->model()->rowCount(); ++row)
                names << editor->model()->position(row).name;
            return names;
        };
        QCOMPARE(total->text(), QStringLiteral("19,5"));

        choose(groups, QStringLiteral("Неопределенные"));
        QCOMPARE(shown(), QStringList{"Своё"});
        QCOMPARE(total->text(), QStringLiteral("4"));
        QVERIFY(saveGroup->isEnabled() && !makers->isEnabled());

        choose(groups, QStringLiteral("Решетки 'А'"));
        QCOMPARE(shown(), QStringList{"Д'Арт"});
        QCOMPARE(total->text(), QStringLiteral("3"));
        QCOMPARE(makers->currentText(), QStringLiteral("Все производители"));

        choose(groups, QStringLiteral("Все группы"));
        QCOMPARE(shown().size(), 4);
        QVERIFY(!saveGroup->isEnabled() && makers->isEnabled());

        choose(makers, QStringLiteral("Юг"));
        QCOMPARE(shown(), (QStringList{"ВК-200", "Д'Арт"}));
        QCOMPARE(total->text(), QStringLiteral("5,5"));
        QVERIFY(saveGroup->isEnabled());
        choose(groups, QStringLiteral("Все группы"));
        QCOMPARE(shown().size(), 4);
        QCOMPARE(total->text(), QStringLiteral("19,5")); // the sum of the rows shown

        // Typing filters at every character.
        groups->lineEdit()->selectAll();
        typeText(groups->lineEdit(), QStringLiteral("Возд"));
        QCOMPARE(shown(), QStringList{});
        QCOMPARE(total->text(), QStringLiteral("0"));
        typeText(groups->lineEdit(), QStringLiteral("уховоды"));
        QCOMPARE(shown(), (QStringList{"ВК-160", "ВК-200"}));

        // "Фильтр" on a position of a group, and off again.
        choose(groups, QStringLiteral("Все группы"));
        editor->grid()->setCurrentIndex(editor->model()->index(2, 1));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(shown(), QStringList{"Д'Арт"});
        QCOMPARE(groups->currentText(), QStringLiteral("Решетки 'А'"));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(shown().size(), 4);
        QCOMPARE(groups->currentText(), QStringLiteral("Все группы"));
        QCOMPARE(makers->currentText(), QStringLiteral("Все производители"));
        QVERIFY(saveGroup->isEnabled());
        QVERIFY(m_errors.isEmpty());
    }

    // A cell shows one line cut short at its end, with its whole text in a
    // tooltip; a width the user gives a column comes back in the next editor.
    void cellsShowOneLineAndKeepTheirWidths()
    {
        const QString maker = QStringLiteral("ООО «Вентиляционные системы Северо-Запад»");
        QList<int> widths;
        {
            auto editor = open({{QStringLiteral("ВК-160"), 1.0}});
            editor->session.working().exec(QStringLiteral("UPDATE data SET Firma = ?"), {maker});
            editor->window->refreshPositions();
            RowsGrid *grid = editor->grid();
            const auto tooltipOver = [&](int column) {
                const QRect rect = grid->visualRect(cell(*editor, 0, column));
                QHelpEvent help(QEvent::ToolTip, rect.center(),
                                grid->viewport()->mapToGlobal(rect.center()));
                QApplication::sendEvent(grid->viewport(), &help);
                return QToolTip::isVisible() ? QToolTip::text() : QString();
            };
            QCOMPARE(tooltipOver(PositionsModel::Unit), QString());
            QCOMPARE(tooltipOver(PositionsModel::Maker), maker);

            // The text runs on to the "…" at the right of the cell, one line
            // high, rather than breaking after "ООО".
            const QRect rect = grid->visualRect(cell(*editor, 0, PositionsModel::Maker));
            const QImage image = grid->viewport()->grab(rect).toImage();
            const int background = qGray(image.pixel(1, 1));
            int right = -1;
            int top = image.height();
            int bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width() - 1; ++x)
                    if (qAbs(qGray(image.pixel(x, y)) - background) > 100) {
                        right = qMax(right, x);
                        top = qMin(top, y);
                        bottom = qMax(bottom, y);
                    }
            QVERIFY2(right > image.width() - 16, qPrintable(QString::number(right)));
            QVERIFY(bottom - top < grid->fontMetrics().height());

            grid->horizontalHeader()->resizeSection(PositionsModel::Maker, 250);
            for (int column = 0; column < PositionsModel::ColumnCount; ++column)
                widths << grid->columnWidth(column);
            QToolTip::hideText();
        }
        auto editor = open({});
        for (int column = 0; column < PositionsModel::ColumnCount; ++column)
            QCOMPARE(editor->grid()->columnWidth(column), widths[column]);
        QSettings user(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Kvintor"));
        QCOMPARE(user.value(QStringLiteral("columns/TForm3/Firma")).toInt(), 250);
        user.remove(QStringLiteral("columns"));
    }

    // The total is read, not typed: it is shown in the normal colours. The
    // firm name dialog has no caption, not even the program's name, which
    // desktops put into an empty one.
    void totalAndFirmDialogLookAsTheyShould()
    {
        auto editor = open({{QStringLiteral("ВК-160"), 1234.0}});
        auto *total = editor->find<QLineEdit>("Edit22");
        QCOMPARE(total->text(), QStringLiteral("1234"));
        const QImage image = total->grab().toImage();
        int darkest = 255;
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x)
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
        QVERIFY2(darkest < 80, qPrintable(QString::number(darkest)));
        total->setFocus();
        typeText(total, QStringLiteral("5"));
        QCOMPARE(total->text(), QStringLiteral("1234"));

        FirmNameDialog *dialog = editor->window->firmNameDialog();
        dialog->showFor(QStringLiteral("ИП Сидоров"));
        const QString title = dialog->windowHandle()->title();
        const QString shown = title.isEmpty() ? QCoreApplication::applicationName() : title;
        QVERIFY2(shown.trimmed().isEmpty(), qPrintable(shown));
        dialog->hide();
    }

    void leavingClosesTheWorkingDatabase()
    {
        auto editor = open({{QStringLiteral("первая"), 1.0}});
        QSignalSpy left(editor->window.get(), &EditorWindow::left);
        QTest::mouseClick(editor->find<QToolButton>("Button1"), Qt::LeftButton);
        QCOMPARE(left.count(), 1);
        QVERIFY(!editor->window->isVisible());
        QVERIFY(!editor->session.working().isOpen());
        editor->window->show();
        QCoreApplication::processEvents();
        QCOMPARE(editor->model()->rowCount(), 1);
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editorwindow.moc"
