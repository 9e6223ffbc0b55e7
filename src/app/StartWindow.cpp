#include "StartWindow.h"

#include "Session.h"
#include "StartUp.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
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

QAction *addItem(QMenu *menu, const char *name, const QString &text, bool enabled)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(enabled);
    return action;
}

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
    picture->setPixmap(QPixmap(QStringLiteral(":/ducts.jpg")));
    picture->setScaledContents(true);
    picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(picture, 1);

    m_progressBar = new QProgressBar(client);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setFixedHeight(kProgressHeight);
    m_progressBar->setTextVisible(false);
    m_progressBar->setValue(0);
    layout->addWidget(m_progressBar);

    // The modified flag, kept where every window can see it; never shown.
    m_modifiedBox = new QCheckBox(client);
    m_modifiedBox->setObjectName(QStringLiteral("CheckBox1"));
    m_modifiedBox->setVisible(false);
    m_modifiedBox->setChecked(session.isModified());
    connect(&session, &Session::modifiedChanged, m_modifiedBox, &QCheckBox::setChecked);

    setCentralWidget(client);
    buildMenu();
    layout->activate();
    setFixedSize(sizeHint());

    if (const QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void StartWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("N2"));
    file->menuAction()->setObjectName(QStringLiteral("N2"));

    m_createAction = addItem(file, "N7", QStringLiteral("Создать спецификацию"), true);
    connect(m_createAction, &QAction::triggered, this, &StartWindow::createRequested);
    addSeparator(file, "N6");
    m_openAction = addItem(file, "DB1", QStringLiteral("Открыть  спецификацию"), true);
    connect(m_openAction, &QAction::triggered, this, &StartWindow::openRequested);
    addSeparator(file, "N4");
    m_editAction = addItem(file, "N3", QStringLiteral("Редактировать"), false);
    connect(m_editAction, &QAction::triggered, this, &StartWindow::editRequested);
    addSeparator(file, "N8");
    QAction *leaveFromMenu = addItem(file, "N10", QStringLiteral("Выход"), true);

    QAction *catalogue = bar->addAction(QStringLiteral("База товара"));
    catalogue->setObjectName(QStringLiteral("N5"));
    connect(catalogue, &QAction::triggered, this, &StartWindow::catalogueRequested);
    QAction *groups = bar->addAction(QStringLiteral("Группы"));
    groups->setObjectName(QStringLiteral("Gruppa"));
    connect(groups, &QAction::triggered, this, &StartWindow::groupsRequested);
    QAction *leave = bar->addAction(QStringLiteral("Выход"));
    leave->setObjectName(QStringLiteral("N1"));

    // Both leave through closing the main window, like its close box.
    connect(leaveFromMenu, &QAction::triggered, this, &QWidget::close);
    connect(leave, &QAction::triggered, this, &QWidget::close);
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
    m_editAction->setEnabled(!m_specificationsDisabled);
}

void StartWindow::disableSpecificationCommands()
{
    m_specificationsDisabled = true;
    for (QAction *action : {m_createAction, m_openAction, m_editAction})
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
