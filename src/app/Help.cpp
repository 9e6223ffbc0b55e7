#include "Help.h"

#include "AboutDialog.h"
#include "HelpWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QPointer>

namespace Help {
namespace {

QPointer<HelpWindow> theWindow;

// The one help window. It is no main window of the program: leaving the
// program does not wait for it to be closed, and takes it along.
HelpWindow &helpWindow()
{
    if (!theWindow) {
        theWindow = new HelpWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, theWindow, &QObject::deleteLater);
    }
    return *theWindow;
}

} // namespace

QUrl guideUrl(const QString &anchor)
{
    QUrl url(QStringLiteral("qrc:/guide/guide.html"));
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

void showGuide(QWidget *parent, const QString &anchor)
{
    helpWindow().showAt(anchor, parent);
}

void showAbout(QWidget *parent)
{
    AboutDialog dialog(parent);
    dialog.exec();
}

Actions addActions(QWidget *window, const QString &anchor)
{
    Actions actions;
    actions.guide = new QAction(QStringLiteral("Руководство пользователя"), window);
    actions.guide->setObjectName(QStringLiteral("helpGuide"));
    actions.guide->setShortcut(QKeySequence::HelpContents);
    actions.guide->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(actions.guide, &QAction::triggered, window,
                     [window, anchor] { showGuide(window, anchor); });
    actions.about = new QAction(QStringLiteral("О программе"), window);
    actions.about->setObjectName(QStringLiteral("helpAbout"));
    QObject::connect(actions.about, &QAction::triggered, window, [window] { showAbout(window); });
    window->addAction(actions.guide);
    window->addAction(actions.about);
    return actions;
}

} // namespace Help
