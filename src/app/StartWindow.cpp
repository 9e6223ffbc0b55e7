#include "StartWindow.h"

#include "Help.h"
#include "ProgressDisplay.h"
#include "StartUp.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 295;
constexpr int kClientHeight = 200;
constexpr int kProgressHeight = 16;

void addSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace

StartWindow::StartWindow(Session &session, CadLink &cad, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_session(session), m_cad(cad)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Спецификация: Kvintor"));

    auto *client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *picture = new QLabel(client);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setAccessibleName(QStringLiteral("Рисунок"));
    picture->setPixmap(QPixmap(QStringLiteral(":/ducts.jpg")));
    picture->setScaledContents(true);
    picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(picture, 1);

    m_progressBar = new QProgressBar(client);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setAccessibleName(QStringLiteral("Ход работы"));
    m_progressBar->setFixedHeight(kProgressHeight);
    m_progressBar->setTextVisible(false);
    m_progressBar->setValue(0);
    // It serves opening: the reading of the file and the reconciliation.
    followProgress(m_progressBar, session);
    layout->addWidget(m_progressBar);

    setCentralWidget(client);
    makeActions();
    buildMenu();
    layout->activate();
    // As wide as the picture, or as the menu bar where that is wider: no
    // menu hides behind the bar's arrow.
    setFixedSize(qMax(sizeHint().width(), menuBar()->sizeHint().width()), sizeHint().height());

    if (const QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void StartWindow::makeActions()
{
    // The texts carry their Alt letters ("&" before it); what the menus show
    // and screen readers say is the text without it.
    const auto make = [this](const char *name, const QString &text, const QKeySequence &keys = {}) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        return action;
    };
    m_actions.create = make("N7", QStringLiteral("&Создать спецификацию"), QKeySequence::New);
    m_actions.open = make("DB1", QStringLiteral("&Открыть  спецификацию"), QKeySequence::Open);
    m_actions.edit = make("N3", QStringLiteral("&Редактировать"));
    m_actions.edit->setEnabled(false); // until a specification is edited
    m_actions.leaveFromFile = make("N10", QStringLiteral("В&ыход"));
    m_actions.catalogue = make("N5", QStringLiteral("&База товара"));
    m_actions.groups = make("Gruppa", QStringLiteral("&Группы"));
    m_actions.leave = make("N1", QStringLiteral("&Выход"));
    const Help::Actions help = Help::addActions(this, Help::kStart);
    m_actions.guide = help.guide;
    m_actions.about = help.about;
    m_actions.guide->setText(QStringLiteral("&Руководство пользователя"));
    m_actions.about->setText(QStringLiteral("&О программе"));
    // Both leave through closing the main window, like its close box.
    for (QAction *leave : {m_actions.leaveFromFile, m_actions.leave})
        connect(leave, &QAction::triggered, this, &QWidget::close);
}

void StartWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("N2"));
    file->menuAction()->setObjectName(QStringLiteral("N2"));
    file->addAction(m_actions.create);
    addSeparator(file, "N6");
    file->addAction(m_actions.open);
    m_recentMenu = file->addMenu(QStringLiteral("&Последние файлы"));
    m_recentMenu->setObjectName(QStringLiteral("recentFiles"));
    m_recentMenu->menuAction()->setObjectName(QStringLiteral("recentFiles"));
    m_recentMenu->setEnabled(false);
    addSeparator(file, "N4");
    file->addAction(m_actions.edit);
    addSeparator(file, "N8");
    file->addAction(m_actions.leaveFromFile);

    bar->addAction(m_actions.catalogue);
    bar->addAction(m_actions.groups);
    bar->addAction(m_actions.leave);
    QMenu *help = bar->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->menuAction()->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(m_actions.guide);
    help->addAction(m_actions.about);
}

void StartWindow::setRecentFiles(const QStringList &files)
{
    m_recentMenu->clear();
    for (int i = 0; i < files.size(); ++i) {
        // "&1 Смета ОВ.СО", the folder in the tooltip; the tenth gets "1&0".
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QAction *action = m_recentMenu->addAction(
            QStringLiteral("%1 %2").arg(number, QFileInfo(files[i]).fileName()));
        action->setObjectName(QStringLiteral("recentFile%1").arg(i + 1));
        action->setToolTip(QDir::toNativeSeparators(files[i]));
        action->setStatusTip(action->toolTip());
        const QString path = files[i];
        connect(action, &QAction::triggered, this, [this, path] { emit recentFileChosen(path); });
    }
    m_recentMenu->setToolTipsVisible(true);
    m_recentMenu->setEnabled(!files.isEmpty() && !m_specificationsDisabled);
}

void StartWindow::leaveProgram()
{
    if (m_left)
        return;
    m_left = true;
    leave(m_session, m_cad);
}

void StartWindow::closeEvent(QCloseEvent *event)
{
    if (!m_left && m_leaveGuard && !m_leaveGuard()) {
        event->ignore();
        return;
    }
    leaveProgram();
    event->accept();
    // The start window is the main window: the program ends with it, even
    // while the editor is still open beside it.
    QCoreApplication::quit();
}

void StartWindow::enableEditing()
{
    m_actions.edit->setEnabled(!m_specificationsDisabled);
}

void StartWindow::disableSpecificationCommands()
{
    m_specificationsDisabled = true;
    for (QAction *action : {m_actions.create, m_actions.open, m_actions.edit})
        action->setEnabled(false);
}

void StartWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
}

void StartWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Not every desktop activates a new window; showing counts as well.
    QMetaObject::invokeMethod(this, &StartWindow::activated, Qt::QueuedConnection);
}
