#include "CadLink.h"
#include "Catalogue.h"
#include "CatalogueEditor.h"
#include "ComponentPicker.h"
#include "DuplicatePositionDialog.h"
#include "EditorWindow.h"
#include "ErrorReport.h"
#include "FirmNameDialog.h"
#include "GroupOrderDialog.h"
#include "PositionsModel.h"
#include "Program.h"
#include "RowsGrid.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "Settings.h"
#include "StartUp.h"
#include "StartWindow.h"
#include "TestSupport.h"
#include "TypeText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

// The start window as the user meets it: caption, size, picture, menu, and
// leaving by either "Выход" or the close box.
class StartWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_program;

    struct Running {
        Session session;
        std::unique_ptr<CadLink> cad = CadLink::create({});
        std::unique_ptr<StartWindow> window;
    };

    std::unique_ptr<Running> start()
    {
        auto running = std::make_unique<Running>();
        StartUpPlace place{m_program, {}, {}, QDateTime::currentDateTime()};
        const QList<AppError> problems =
            startUp(running->session, Settings(), *running->cad, place);
        if (!problems.isEmpty())
            qWarning() << problems.first().fullText();
        running->window = std::make_unique<StartWindow>(running->session, *running->cad);
        running->window->show();
        return running;
    }

    // The controls of a window that a screen reader would have to announce
    // without a name: neither an accessible name nor, for a button, a text.
    // The parts of a grid or a box (headers, the corner button, the box's
    // own field) go by the grid's or the box's name.
    static QStringList unnamedControls(QWidget *window)
    {
        QStringList unnamed;
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            const auto *button = qobject_cast<QAbstractButton *>(widget);
            if (!widget->isVisible() ||
                !(button || qobject_cast<QLineEdit *>(widget) ||
                  qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractItemView *>(widget)))
                continue;
            bool part = false;
            for (QWidget *up = widget->parentWidget(); up && up != window; up = up->parentWidget())
                part =
                    part || qobject_cast<QAbstractItemView *>(up) || qobject_cast<QComboBox *>(up);
            if (part || !widget->accessibleName().isEmpty() ||
                (button && !button->text().isEmpty()))
                continue;
            unnamed << widget->objectName() + QStringLiteral(" (") +
                           QLatin1String(widget->metaObject()->className()) + u')';
        }
        return unnamed;
    }

    static QAction *item(QWidget *window, const char *name)
    {
        for (QAction *action : window->findChildren<QAction *>())
            if (action->objectName() == QLatin1String(name))
                return action;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
        m_program = m_dir.filePath(QStringLiteral("program"));
        QDir().mkpath(m_program);
        TestSupport::makeTemplate(m_program + QStringLiteral("/dorvik.dat"));
        const QVariantList duct{QStringLiteral("ВК-160"),
                                QStringLiteral("Воздуховод 160"),
                                QStringLiteral("мп"),
                                2.5,
                                QStringLiteral("1,2"),
                                {},
                                {},
                                {},
                                QStringLiteral("Воздуховоды")};
        TestSupport::makeCatalogue(m_program + QStringLiteral("/dorvik-Vent.mdb"), {duct});
    }

    void looksAsItShould()
    {
        auto running = start();
        StartWindow *window = running->window.get();
        QCOMPARE(window->objectName(), QStringLiteral("TForm1"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Спецификация: Kvintor"));
        QCOMPARE(window->centralWidget()->size(), QSize(295, 200));
        QCOMPARE(window->minimumSize(), window->maximumSize());

        auto *picture = window->findChild<QLabel *>(QStringLiteral("Image1"));
        QVERIFY(picture);
        QVERIFY(!picture->pixmap().isNull());
        QVERIFY(picture->hasScaledContents());
        auto *progress = window->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        QVERIFY(progress);
        QCOMPARE(progress->height(), 16);
        QCOMPARE(progress->width(), 295);
    }

    void menuHasEveryItem()
    {
        auto running = start();
        QMenuBar *bar = running->window->menuBar();
        const QList<QAction *> top = bar->actions();
        QStringList topTexts;
        // The texts as shown, their Alt letters aside.
        for (QAction *action : top)
            topTexts << action->text().remove(u'&');
        QCOMPARE(topTexts, (QStringList{QStringLiteral("Файл"), QStringLiteral("База товара"),
                                        QStringLiteral("Группы"), QStringLiteral("Выход"),
                                        QStringLiteral("Справка")}));
        QCOMPARE(top[1]->objectName(), QStringLiteral("N5"));
        QCOMPARE(top[2]->objectName(), QStringLiteral("Gruppa"));
        QCOMPARE(top[3]->objectName(), QStringLiteral("N1"));
        QVERIFY(top[3]->isEnabled());

        QMenu *file = top[0]->menu();
        QVERIFY(file);
        QCOMPARE(file->objectName(), QStringLiteral("N2"));
        QStringList names;
        QStringList texts;
        for (QAction *action : file->actions()) {
            names << action->objectName();
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text().remove(u'&'));
        }
        QCOMPARE(names, (QStringList{"N7", "N6", "DB1", "recentFiles", "N4", "N3", "N8", "N10"}));
        QCOMPARE(
            texts,
            (QStringList{QStringLiteral("Создать спецификацию"), "-",
                         QStringLiteral("Открыть  спецификацию"), QStringLiteral("Последние файлы"),
                         "-", QStringLiteral("Редактировать"), "-", QStringLiteral("Выход")}));
        QVERIFY(!item(running->window.get(), "N3")->isEnabled());
        QVERIFY(item(running->window.get(), "N10")->isEnabled());
    }

    void everyWayOutLeavesCleanly_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Файл / Выход") << QStringLiteral("N10");
        QTest::newRow("top-level Выход") << QStringLiteral("N1");
        QTest::newRow("close box") << QString();
    }

    void everyWayOutLeavesCleanly()
    {
        QFETCH(QString, way);
        auto running = start();
        const QString working = running->session.workingDatabasePath();
        QVERIFY(QFile::exists(working));
        QCOMPARE(QFileInfo(working).absolutePath(), QFileInfo(m_program).absoluteFilePath());
        running->session.working().open();
        running->session.catalogue().open();

        if (way.isEmpty())
            running->window->close();
        else
            item(running->window.get(), way.toLatin1().constData())->trigger();

        QVERIFY(!running->window->isVisible());
        QVERIFY(!QFile::exists(working));
        QVERIFY(!running->session.working().isOpen());
        QVERIFY(!running->session.catalogue().isOpen());
        running->window->leaveProgram(); // a second leave does no harm
    }

    void menuOpensTheCatalogueWindows()
    {
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        StartWindow &start = program.startWindow();
        start.show();
        QCoreApplication::processEvents();

        item(&start, "N5")->trigger();
        QVERIFY(program.catalogueEditor().isVisible());
        QVERIFY(!start.isVisible());
        program.catalogueEditor().leave();
        QVERIFY(start.isVisible());

        item(&start, "Gruppa")->trigger();
        QVERIFY(program.groupOrderDialog().isVisible());
        QVERIFY(!program.groupOrderDialog().isModal());
        QVERIFY(start.isVisible());
        program.groupOrderDialog().hide();

        // The editor's double-click brings the picker; leaving it gives the
        // editor back.
        program.showEditor();
        QCoreApplication::processEvents();
        EditorWindow &editor = program.editorWindow();
        QTest::mouseDClick(editor.grid()->viewport(), Qt::LeftButton);
        QVERIFY(program.picker().isVisible());
        QVERIFY(!editor.isEnabled());
        program.picker().cancel();
        QVERIFY(editor.isEnabled());
        QVERIFY(!program.picker().isVisible());
    }

    void everyControlHasAName_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window :
             {"TForm1", "TForm3", "TForm4", "TForm5", "TForm7", "TForm9", "TForm10"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }

    // Every button, field, list and grid of every window has a name for a
    // screen reader: its text, a picture button's hint or its label.
    void everyControlHasAName()
    {
        QFETCH(QString, window);
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        StartWindow &start = program.startWindow();
        start.show();
        EditorWindow &editor = program.editorWindow();
        if (window != "TForm1")
            item(&start, "N7")->trigger();
        QWidget *shown = &editor;
        if (window == "TForm1") {
            shown = &start;
        } else if (window == "TForm4" || window == "TForm10") {
            QTest::mouseDClick(editor.grid()->viewport(), Qt::LeftButton);
            shown = &program.picker();
            if (window == "TForm10") {
                shown = program.picker().duplicateDialog();
                shown->show();
            }
        } else if (window == "TForm5") {
            editor.leaveEditor();
            item(&start, "N5")->trigger();
            shown = &program.catalogueEditor();
            shown->findChild<QCheckBox *>(QStringLiteral("CheckBox1"))->setChecked(true);
        } else if (window == "TForm7") {
            item(&start, "Gruppa")->trigger();
            shown = &program.groupOrderDialog();
        } else if (window == "TForm9") {
            editor.firmNameDialog()->showFor(QStringLiteral("ИП Сидоров"));
            shown = editor.firmNameDialog();
        }
        QCoreApplication::processEvents();
        QCOMPARE(shown->objectName(), window);
        QVERIFY(shown->isVisible());
        QCOMPARE(unnamedControls(shown), QStringList());
        shown->hide();
    }

    void pickerFillsAnAddedRow_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::newRow("a good picked") << true;
        QTest::newRow("the picker cancelled") << false;
    }

    // A double-click on a row just added below the last opens the picker
    // for it: a good picked fills it, a cancel stores no blank position.
    void pickerFillsAnAddedRow()
    {
        QFETCH(bool, picked);
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        item(&program.startWindow(), "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        RowsGrid *grid = editor.grid();
        program.session().document().markSaved();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentIndex().row(), 1);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualRect(grid->currentIndex()).center());
        QVERIFY(program.picker().isVisible());
        if (picked)
            program.picker().addCurrentGood();
        else
            program.picker().cancel();
        QCoreApplication::processEvents();

        Database &working = program.session().working();
        const int stored = working.scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt();
        QCOMPARE(stored, picked ? 2 : 1);
        // After a cancel the row is still being added, stored when typed into.
        QCOMPARE(editor.positions()->rowCount(), 2);
        QCOMPARE(editor.positions()->pendingRow(), picked ? -1 : 1);
        QCOMPARE(working
                     .scalar(QStringLiteral("SELECT COUNT(*) FROM data WHERE Name = ?"),
                             {QStringLiteral("ВК-160")})
                     .toInt(),
                 picked ? 1 : 0);
        QCOMPARE(program.session().document().isModified(), picked);
        QCOMPARE(prompts.questions, QStringList());
    }

    void editorButtonsRunTheirCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("savePreset"); // empty: no file is written
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<bool>("editorShown");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<int>("rows"); // positions left
        QTest::newRow("Фильтр off")
            << "SpeedButton12" << QString() << false << true << QString() << 1;
        QTest::newRow("Сохранить спецификацию")
            << "SpeedButton5" << QStringLiteral("Новая спецификация.СО") << false << true
            << QString() << 1;
        QTest::newRow("Сохранить группу") << "SpeedButton9" << QStringLiteral("Неопределенные.СО")
                                          << true << true << QString() << 1;
        QTest::newRow("Выход") << "Button1" << QString() << true << false << QString() << 1;
        // The new position has no group: it is numbered and shown as undefined.
        QTest::newRow("Сортировка")
            << "SpeedButton7" << QString() << true << true
            << QStringLiteral("     Обнаружены неопределенные группы!     ") << 1;
        // Its quantity is 0: after a Yes it goes.
        QTest::newRow("Удалить нулевые")
            << "SpeedButton10" << QString() << true << true << QString() << 0;
    }

    // Each working button, pressed in the program's own editor, reaches its
    // command: from a modified specification shown by one group.
    void editorButtonsRunTheirCommands()
    {
        QFETCH(QString, button);
        QFETCH(QString, savePreset);
        QFETCH(bool, filtered);
        QFETCH(bool, editorShown);
        QFETCH(QString, notice);
        QFETCH(int, rows);
        ScriptedPrompts prompts;
        prompts.answers = {true};
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        item(&program.startWindow(), "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        QVERIFY(editor.isVisible());
        program.session().document().startAfresh(true);
        auto *groups = editor.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        groups->setCurrentText(Session::kUndefinedGroupItem);
        emit groups->textActivated(Session::kUndefinedGroupItem);
        const QString target =
            m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".СО"));
        prompts.saveAnswers = {target};

        QTest::mouseClick(editor.findChild<QToolButton *>(button), Qt::LeftButton);
        QCOMPARE(prompts.savePresets,
                 savePreset.isEmpty() ? QStringList() : QStringList{savePreset});
        QCOMPARE(QFile::exists(target), !savePreset.isEmpty());
        QCOMPARE(program.session().viewFilter().kind != PositionFilter::Kind::All, filtered);
        QCOMPARE(editor.isVisible(), editorShown);
        QCOMPARE(program.startWindow().isVisible(), !editorShown);
        QCOMPARE(prompts.notices.value(0), notice);
        QCOMPARE(program.session().document().positions().count(), rows);
    }

    // "Добавить спецификацию": the dialog proposes the coefficient from the
    // name, refuses one that is no whole number naming its row, and merges.
    void combineButtonMergesWithTheCoefficient()
    {
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        item(&program.startWindow(), "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        const QString file = m_dir.filePath(QStringLiteral("Узел (3 шт).СО"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("// Заголовок\r\n" + QByteArray("\r\n").repeated(20) +
                  "// Начало базы\r\n1\r\n0\r\nZ-1\r\n1.5\r\n\r\n\r\n\r\n\r\n");
        out.close();
        prompts.openManyAnswers = {{file}};
        QStringList proposed;
        QTimer::singleShot(0, &editor, [&] {
            auto *dialog = editor.findChild<QDialog *>(QStringLiteral("TForm6"));
            auto *grid = dialog->findChild<QTableWidget *>();
            auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("Button1"));
            proposed << grid->item(0, 0)->text() << grid->item(0, 1)->text();
            grid->item(0, 1)->setText(QStringLiteral("2,5"));
            ok->click();
            QVERIFY(dialog->isVisible());
            grid->item(0, 1)->setText(QStringLiteral("-2"));
            ok->click();
        });
        QTest::mouseClick(editor.findChild<QToolButton *>(QStringLiteral("SpeedButton6")),
                          Qt::LeftButton);
        QCOMPARE(proposed, (QStringList{QStringLiteral("Узел (3 шт).СО"), QStringLiteral("3")}));
        QCOMPARE(prompts.notices,
                 QStringList{QStringLiteral("В строке 1 коэффициент «2,5» не целое число.")});
        QCOMPARE(program.session().document().positions().count(), 2);
        QCOMPARE(program.session().document().positions().read().last().quantity, -3.0);
        QVERIFY(program.session().document().isModified());
    }

    // "Спецификация" and "Смета" show their pages in the preview and leave
    // the data, the view and the modified flag as they were.
    void reportButtonsShowThePreviewAndChangeNothing()
    {
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        item(&program.startWindow(), "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        auto *groups = editor.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        groups->setCurrentText(Session::kUndefinedGroupItem);
        emit groups->textActivated(Session::kUndefinedGroupItem);
        const QList<Position> before = program.session().document().positions().read();
        for (const char *button : {"SpeedButton1", "SpeedButton4"}) {
            int pages = -1;
            QTimer::singleShot(0, &editor, [&] {
                auto *preview = editor.findChild<QPrintPreviewDialog *>();
                QVERIFY(preview);
                pages = preview->findChild<QPrintPreviewWidget *>()->pageCount();
                preview->reject();
            });
            QTest::mouseClick(editor.findChild<QToolButton *>(QString::fromLatin1(button)),
                              Qt::LeftButton);
            QCOMPARE(pages, 1);
        }
        QCOMPARE(program.session().document().positions().read(), before);
        QCOMPARE(program.session().viewFilter().kind, PositionFilter::Kind::UndefinedGroup);
        QVERIFY(!program.session().document().isModified());
    }

    // "Обновить базу" comes alive with each "Сортировка" and goes after use;
    // the good it writes is in the catalogue at once.
    void updateCatalogueFollowsEachSort()
    {
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        item(&program.startWindow(), "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        QAction *update = editor.actions().updateCatalogue;
        QVERIFY(!update->isEnabled());
        Position position = program.session().document().positions().read().first();
        position.name = QStringLiteral("НОВ-1 'тест'");
        position.caption = QStringLiteral("Новый товар");
        program.session().document().positions().update(position);
        QTest::mouseClick(editor.findChild<QToolButton *>(QStringLiteral("SpeedButton7")),
                          Qt::LeftButton);
        QVERIFY(update->isEnabled());
        QTest::mouseClick(editor.findChild<QToolButton *>(QStringLiteral("SpeedButton8")),
                          Qt::LeftButton);
        QVERIFY(!update->isEnabled());
        const QList<std::optional<CatalogueGood>> found =
            program.session().goods().find({QStringLiteral("нов-1 'ТЕСТ'")});
        QVERIFY(found.first());
        QCOMPARE(found.first()->caption, QStringLiteral("Новый товар"));
    }

    void leavingAsksToSaveAModifiedSpecification()
    {
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        StartWindow &start = program.startWindow();
        start.show();
        item(&start, "N7")->trigger(); // a new specification
        QVERIFY(program.editorWindow().isVisible());
        QCOMPARE(program.editorWindow().positions()->rowCount(), 1);
        program.session().document().startAfresh(true);
        program.editorWindow().leaveEditor();
        const QString working = program.session().workingDatabasePath();

        // Yes, then the save dialog cancelled: the program stays.
        prompts.answers = {true};
        item(&start, "N1")->trigger();
        QVERIFY(start.isVisible());
        QVERIFY(QFile::exists(working));
        QCOMPARE(prompts.questions.last(),
                 QStringLiteral("Сохранить спецификацию Новая спецификация. ?"));

        // No: it leaves without saving.
        prompts.answers = {false};
        item(&start, "N10")->trigger();
        QVERIFY(!start.isVisible());
        QVERIFY(!QFile::exists(working));
    }

    // The filter boxes: typing and Enter add nothing to their lists, and
    // leaving after a group was chosen reads no database that is gone.
    void filterBoxesAfterUseLeaveCleanly()
    {
        QStringList errors;
        ErrorReport::setSink([&](const QString &message) { errors << message; });
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        StartWindow &start = program.startWindow();
        start.show();
        item(&start, "N7")->trigger();
        EditorWindow &editor = program.editorWindow();
        auto *groups = editor.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        const int count = groups->count();
        groups->lineEdit()->setFocus();
        groups->lineEdit()->selectAll();
        typeText(groups->lineEdit(), QStringLiteral("мусор"));
        QTest::keyClick(groups->lineEdit(), Qt::Key_Return);
        QCOMPARE(groups->count(), count);
        groups->setCurrentIndex(0);
        emit groups->textActivated(groups->currentText()); // "Неопределенные", as chosen
        QVERIFY(program.session().viewFilter().kind != PositionFilter::Kind::All);

        prompts.answers = {false};
        item(&start, "N10")->trigger();
        groups->lineEdit()->setFocus();
        editor.findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setFocus();
        QCoreApplication::processEvents();
        ErrorReport::setSink({});
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    }

    void commandLineFileOpensOnceAtTheFirstActivation()
    {
        const QString file = m_dir.filePath(QStringLiteral("Дом 5.СО"));
        QFile spec(file);
        QVERIFY(spec.open(QIODevice::WriteOnly));
        const QByteArray bytes = QByteArray("// Заголовок\r\n") + QByteArray("x\r\n").repeated(20) +
                                 QByteArray("// base\r\n") +
                                 QByteArray("1\r\n0\r\nKV-200\r\n2.5\r\n\r\n\r\n\r\n\r\n");
        spec.write(bytes);
        spec.close();

        ScriptedPrompts prompts;
        Program program({m_program, {}, {file}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        QCoreApplication::processEvents();
        QVERIFY(program.editorWindow().isVisible());
        QVERIFY(program.startWindow().isVisible());
        QVERIFY(item(&program.startWindow(), "N3")->isEnabled());
        QCOMPARE(program.editorWindow().positions()->rowCount(), 1);
        QCOMPARE(program.session().document().name(), file);
        QVERIFY(program.session().commandLineFile().isEmpty());
        QVERIFY(!program.session().document().isModified());

        // Back in the start window, the file is not opened again.
        program.editorWindow().leaveEditor();
        program.session().working().open();
        program.session().working().exec(QStringLiteral("DELETE FROM data"));
        program.startWindow().hide();
        program.startWindow().show();
        QCoreApplication::processEvents();
        QCOMPARE(
            program.session().working().scalar(QStringLiteral("SELECT COUNT(*) FROM data")).toInt(),
            0);
    }

    // The keyboard reaches the commands: Ctrl+F finds a position by a word of
    // its description, F3 the next one, "Заменить все" is one step, Insert
    // asks the picker, and leaving with changes offers Да, Нет and Отмена.
    void keysFindReplaceAndLeave()
    {
        const QString file = m_dir.filePath(QStringLiteral("Клавиши.СО"));
        QFile spec(file);
        QVERIFY(spec.open(QIODevice::WriteOnly));
        QByteArray bytes = QByteArray("// Заголовок\r\n") + QByteArray("x\r\n").repeated(20) +
                           QByteArray("// Начало базы\r\n");
        for (const char *name : {"Заглушка", "Отвод КВР", "Тройник", "отвод kbp"})
            bytes += QByteArray("1\r\n0\r\n") + name + "\r\n1\r\nШт\r\n\r\n\r\n\r\n";
        spec.write(bytes);
        spec.close();

        ScriptedPrompts prompts;
        Program program({m_program, {}, {file}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        QCoreApplication::processEvents();
        EditorWindow &editor = program.editorWindow();
        QVERIFY(editor.isVisible());
        RowsGrid *grid = editor.grid();
        grid->setCurrentIndex(editor.positions()->index(0, PositionsModel::Caption));

        QApplication::setActiveWindow(&editor);
        QTest::keyClick(&editor, Qt::Key_F, Qt::ControlModifier);
        auto *dialog = editor.findChild<QDialog *>(QStringLiteral("findDialog"));
        QVERIFY(dialog && dialog->isVisible());
        auto *findText = dialog->findChild<QLineEdit *>(QStringLiteral("findText"));
        findText->setText(QStringLiteral("ОТВОД kbp"));
        // Letter case and look-alike letters aside: both "отводы" are found.
        item(&editor, "findNext")->trigger();
        QCOMPARE(grid->currentIndex().row(), 1);
        QTest::keyClick(&editor, Qt::Key_F3);
        QCOMPARE(grid->currentIndex().row(), 3);
        findText->setText(QStringLiteral("муфта"));
        item(&editor, "findNext")->trigger();
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("findOutcome"))->text(),
                 QStringLiteral("Не найдено: «муфта»"));

        findText->setText(QStringLiteral("отвод"));
        dialog->findChild<QLineEdit *>(QStringLiteral("replaceText"))
            ->setText(QStringLiteral("Колено"));
        dialog->findChild<QPushButton *>(QStringLiteral("replaceAll"))->click();
        QUndoStack &stack = program.session().document().undoStack();
        QCOMPARE(stack.count(), 1);
        const auto captions = [&] {
            QStringList texts;
            for (const Position &position : editor.positions()->rows())
                texts << position.caption;
            return texts;
        };
        QCOMPARE(captions(), (QStringList{"Заглушка", "Колено КВР", "Тройник", "Колено kbp"}));
        stack.undo();
        QCOMPARE(captions(), (QStringList{"Заглушка", "Отвод КВР", "Тройник", "отвод kbp"}));
        stack.redo();
        dialog->hide();

        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        QVERIFY(program.picker().isVisible());
        program.picker().cancel();
        QCoreApplication::processEvents();

        editor.leaveEditor();
        prompts.choices = {Prompts::Answer::Cancel};
        item(&program.startWindow(), "N1")->trigger();
        QVERIFY(program.startWindow().isVisible());
        QCOMPARE(prompts.questions.last(),
                 QStringLiteral("Сохранить спецификацию ") + file + QStringLiteral(" ?"));
        prompts.choices = {Prompts::Answer::No};
        item(&program.startWindow(), "N1")->trigger();
        QVERIFY(!program.startWindow().isVisible());
    }

    // The files opened and saved come back in "Последние файлы" at the next
    // start; one that is gone leaves the list with a word.
    void recentFilesComeBack()
    {
        Settings settings;
        const QString kept = m_dir.filePath(QStringLiteral("Последний.СО"));
        const QString gone = m_dir.filePath(QStringLiteral("Пропавший.СО"));
        QFile::copy(QStringLiteral(KV_SOURCE_DIR) + QStringLiteral("/resources/Пример.СО"), kept);
        QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner);
        settings.addRecentFile(gone);
        {
            ScriptedPrompts prompts;
            Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
            program.startWindow().show();
            prompts.openAnswers = {kept};
            item(&program.startWindow(), "DB1")->trigger();
            QCOMPARE(program.session().document().name(), kept);
            program.editorWindow().leaveEditor();
            prompts.choices = {Prompts::Answer::No};
            program.startWindow().close();
        }
        ScriptedPrompts prompts;
        Program program({m_program, {}, {}, QDateTime::currentDateTime()}, &prompts);
        program.startWindow().show();
        QMenu *recent = program.startWindow().recentMenu();
        emit recent->aboutToShow();
        QStringList listed;
        for (QAction *action : recent->actions())
            listed << action->toolTip();
        QCOMPARE(listed.mid(0, 2), (QStringList{kept, gone}));
        recent->actions().at(1)->trigger();
        QCOMPARE(prompts.notices.size(), 1);
        QVERIFY(prompts.notices.first().contains(gone));
        QVERIFY(!settings.recentFiles().contains(gone));
        recent->actions().at(0)->trigger();
        QCOMPARE(program.session().document().name(), kept);
        QVERIFY(program.editorWindow().isVisible());
        program.editorWindow().leaveEditor();
        program.startWindow().close();
    }
};

QTEST_MAIN(StartWindowTest)
#include "tst_startwindow.moc"
