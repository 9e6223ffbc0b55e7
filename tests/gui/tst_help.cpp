#include "EditorWindow.h"
#include "Help.h"
#include "ScriptedPrompts.h"
#include "Session.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

// The guide as F1 opens it: every chapter a window asks for is there and
// shown, no link of it leads nowhere, and every command of the editor has
// its section.
class HelpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QTextBrowser *shownGuide()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("helpWindow") && window->isVisible())
                return window->findChild<QTextBrowser *>(QStringLiteral("helpBrowser"));
        }
        return nullptr;
    }

    static QStringList anchorsOf(const QTextBlock &block)
    {
        QStringList names;
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            names << fragment.fragment().charFormat().anchorNames();
        return names;
    }

private slots:
    void initTestCase()
    {
        TestSupport::useRussianLocale();
        TestSupport::redirectSettings(m_dir.filePath(QStringLiteral("settings")));
    }

    void opensAtEveryChapter_data()
    {
        QTest::addColumn<QString>("anchor");
        // From the end back, so that each chapter is scrolled to from elsewhere.
        for (auto anchor = Help::kAnchors.crbegin(); anchor != Help::kAnchors.crend(); ++anchor)
            QTest::newRow(anchor->data()) << QString(*anchor);
    }

    void opensAtEveryChapter()
    {
        QFETCH(QString, anchor);
        Help::showGuide(nullptr, anchor);
        QTextBrowser *browser = shownGuide();
        QVERIFY(browser);
        QTextDocument *document = browser->document();
        QTextBlock heading;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (anchorsOf(block).contains(anchor))
                heading = block;
        }
        QVERIFY2(heading.isValid(), "no place of the guide carries the anchor");
        QVERIFY2(heading.blockFormat().headingLevel() > 0, qPrintable(heading.text()));
        // Shown, not merely there: the heading stands in the view.
        QTRY_VERIFY2(
            [&] {
                const qreal top = document->documentLayout()->blockBoundingRect(heading).top() -
                                  browser->verticalScrollBar()->value();
                return top >= 0 && top < browser->viewport()->height();
            }(),
            qPrintable(heading.text()));
    }

    void everyLinkLeadsToAPlace()
    {
        Help::showGuide(nullptr);
        QTextBrowser *browser = shownGuide();
        QVERIFY(browser);
        QStringList anchors;
        QStringList links;
        for (QTextBlock block = browser->document()->begin(); block.isValid();
             block = block.next()) {
            anchors << anchorsOf(block);
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QString link = fragment.fragment().charFormat().anchorHref();
                if (!link.isEmpty())
                    links << link;
            }
        }
        QVERIFY(links.size() > 50);
        for (const QString &link : std::as_const(links)) {
            QVERIFY2(link.startsWith(u'#'), qPrintable(link));
            QVERIFY2(anchors.contains(link.mid(1)), qPrintable(link));
        }
    }

    // A modal dialog blocks every other window; F1 in one still gives a
    // guide that can be read, and closing the dialog does not take it along.
    void outlivesTheDialogItWasOpenedFrom()
    {
        auto *dialog = new QDialog;
        QPointer<QWidget> guide;
        bool readable = false;
        QTimer::singleShot(0, dialog, [&] {
            Help::showGuide(dialog, Help::kEditor);
            guide = shownGuide()->window();
            readable = guide->parentWidget() == dialog;
            dialog->reject();
        });
        dialog->exec();
        delete dialog;
        QVERIFY(readable);
        QVERIFY(guide);
        QVERIFY(guide->isVisible());
    }

    void everyCommandOfTheEditorHasItsSection()
    {
        const QString templatePath = m_dir.filePath(QStringLiteral("dorvik.dat"));
        TestSupport::makeTemplate(templatePath);
        Session session;
        TestSupport::openFreshWorkingDatabase(session, m_dir.path(), templatePath);
        Settings settings;
        ScriptedPrompts prompts;
        EditorWindow editor(session, settings, prompts);

        Help::showGuide(nullptr);
        QTextBrowser *browser = shownGuide();
        QVERIFY(browser);
        QStringList headings;
        for (QTextBlock block = browser->document()->begin(); block.isValid();
             block = block.next()) {
            if (block.blockFormat().headingLevel() > 0)
                headings << block.text().trimmed();
        }
        int commands = 0;
        for (const QAction *action : editor.findChildren<QAction *>()) {
            if (!action->objectName().startsWith(QLatin1String("SpeedButton")))
                continue;
            ++commands;
            const QString section = u'"' + action->text() + u'"';
            QVERIFY2(headings.contains(section), qPrintable(section));
        }
        QVERIFY(commands > 0);
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
