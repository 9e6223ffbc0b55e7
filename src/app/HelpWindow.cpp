#include "HelpWindow.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "DesktopOpen.h"
#include "ErrorReport.h"
#include "Help.h"
#include "WidgetPrompts.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QLatin1StringView kContentsAnchor{"contents"};

// The anchor that a heading carries, empty for none.
QString anchorOf(const QTextBlock &block)
{
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QStringList names = fragment.fragment().charFormat().anchorNames();
        if (!names.isEmpty())
            return names.first();
    }
    return {};
}

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Справка: Kvintor"));
    // Reading the guide does not keep the program running once it is left.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setAccessibleName(QStringLiteral("Текст руководства"));
    m_browser->setOpenExternalLinks(true);

    m_contents = new QTreeWidget(this);
    m_contents->setObjectName(QStringLiteral("helpContents"));
    m_contents->setAccessibleName(QStringLiteral("Главы руководства"));
    m_contents->setHeaderHidden(true);
    m_contents->setColumnCount(1);
    // The guide is read for a while: its list of chapters is set as large as
    // its text, not in the small face of the forms.
    QFont listFont = m_contents->font();
    listFont.setPixelSize(13);
    m_contents->setFont(listFont);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setAccessibleName(QStringLiteral("Переходы и поиск"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto command = [&](const char *name, QStyle::StandardPixmap icon, const QString &text,
                             const QList<QKeySequence> &keys) {
        QAction *action = bar->addAction(style()->standardIcon(icon), text);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        return action;
    };
    QAction *back = command("helpBack", QStyle::SP_ArrowBack, QStringLiteral("Назад"),
                            QKeySequence::keyBindings(QKeySequence::Back));
    QAction *forward = command("helpForward", QStyle::SP_ArrowForward, QStringLiteral("Вперёд"),
                               QKeySequence::keyBindings(QKeySequence::Forward));
    QAction *home = command("helpHome", QStyle::SP_DirHomeIcon, QStringLiteral("Содержание"),
                            {QKeySequence(Qt::ALT | Qt::Key_Home)});
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(home, &QAction::triggered, this, [this] { m_browser->setSource(Help::guideUrl()); });
    bar->addSeparator();

    auto *findLabel = new QLabel(QStringLiteral("Найти:"), bar);
    m_findText = new QLineEdit(bar);
    m_findText->setObjectName(QStringLiteral("helpFindText"));
    m_findText->setAccessibleName(QStringLiteral("Найти в руководстве"));
    m_findText->setClearButtonEnabled(true);
    m_findText->setMaximumWidth(220);
    findLabel->setBuddy(m_findText);
    bar->addWidget(findLabel);
    bar->addWidget(m_findText);
    QAction *next = command("helpFindNext", QStyle::SP_ArrowDown, QStringLiteral("Дальше"),
                            QKeySequence::keyBindings(QKeySequence::FindNext));
    QAction *previous = command("helpFindPrevious", QStyle::SP_ArrowUp, QStringLiteral("Раньше"),
                                QKeySequence::keyBindings(QKeySequence::FindPrevious));
    m_findState = new QLabel(bar);
    m_findState->setObjectName(QStringLiteral("helpFindState"));
    bar->addWidget(m_findState);
    connect(next, &QAction::triggered, this, [this] { find(false); });
    connect(previous, &QAction::triggered, this, [this] { find(true); });
    connect(m_findText, &QLineEdit::returnPressed, this, [this] { find(false); });
    // Typing searches on from where the last match began.
    connect(m_findText, &QLineEdit::textEdited, this, [this] {
        QTextCursor cursor = m_browser->textCursor();
        cursor.setPosition(cursor.selectionStart());
        m_browser->setTextCursor(cursor);
        find(false);
    });
    auto *findKey = new QAction(this);
    findKey->setShortcuts(QKeySequence::Find);
    connect(findKey, &QAction::triggered, this, [this] {
        m_findText->setFocus();
        m_findText->selectAll();
    });
    addAction(findKey);

    auto *spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    QAction *desktop = command("helpOpenInBrowser", QStyle::SP_DesktopIcon,
                               QStringLiteral("Открыть в браузере"), {});
    connect(desktop, &QAction::triggered, this, &HelpWindow::openInDesktopBrowser);

    auto *closeKey = new QAction(this);
    closeKey->setShortcut(Qt::Key_Escape);
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
    addAction(closeKey);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 690});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);

    m_browser->setSource(Help::guideUrl());
    listChapters();
    const auto openChapter = [this](QTreeWidgetItem *item) {
        m_browser->setSource(Help::guideUrl(item->data(0, Qt::UserRole).toString()));
    };
    connect(m_contents, &QTreeWidget::itemClicked, this, openChapter);
    connect(m_contents, &QTreeWidget::itemActivated, this, openChapter);
    connect(m_browser->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &HelpWindow::markChapterBeingRead);
}

void HelpWindow::showAt(const QString &anchor, QWidget *askedFrom)
{
    followModalDialog();
    m_browser->setSource(Help::guideUrl(anchor));
    if (!m_placed) {
        m_placed = true;
        // The first page shown is where reading starts: nothing lies back.
        m_browser->clearHistory();
        const QScreen *screen = askedFrom ? askedFrom->window()->screen() : this->screen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        resize(qMin(980, area.width() * 9 / 10), qMin(720, area.height() * 9 / 10));
        move(area.center() - rect().center());
    }
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void HelpWindow::followModalDialog()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this && modal != parentWidget())
        becomeChildOf(modal);
}

void HelpWindow::becomeChildOf(QWidget *owner)
{
    if (parentWidget())
        parentWidget()->removeEventFilter(this);
    const QRect place = geometry();
    const bool shown = isVisible();
    setParent(owner, Qt::Window);
    if (owner)
        owner->installEventFilter(this);
    if (shown) {
        setGeometry(place);
        show();
    }
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Closed, the dialog may be deleted at once, and its children with it.
    if (watched == parentWidget() && event->type() == QEvent::Hide)
        becomeChildOf(nullptr);
    return QWidget::eventFilter(watched, event);
}

// Chapters and their sections, from the guide's headings that carry an
// anchor; the contents at the top of the guide is the "Содержание" button.
void HelpWindow::listChapters()
{
    m_contents->clear();
    m_chapters.clear();
    QTreeWidgetItem *chapter = nullptr;
    for (QTextBlock block = m_browser->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        const QString anchor = anchorOf(block);
        if ((level != 2 && level != 3) || anchor.isEmpty() || anchor == kContentsAnchor)
            continue;
        if (level == 3 && !chapter)
            continue;
        auto *item = level == 2 ? new QTreeWidgetItem(m_contents) : new QTreeWidgetItem(chapter);
        item->setText(0, block.text().simplified());
        item->setData(0, Qt::UserRole, anchor);
        if (level == 2)
            chapter = item;
        m_chapters.append({block.position(), item});
    }
}

// The chapter whose heading is the last above the top of the view.
void HelpWindow::markChapterBeingRead()
{
    QTextDocument *document = m_browser->document();
    const int top = m_browser->verticalScrollBar()->value();
    QTreeWidgetItem *reading = nullptr;
    for (const Chapter &chapter : std::as_const(m_chapters)) {
        const QRectF heading =
            document->documentLayout()->blockBoundingRect(document->findBlock(chapter.position));
        if (heading.top() > top + heading.height())
            break;
        reading = chapter.item;
    }
    if (reading && reading != m_contents->currentItem()) {
        m_contents->setCurrentItem(reading);
        m_contents->scrollToItem(reading);
    }
}

void HelpWindow::find(bool backwards)
{
    const QString text = m_findText->text();
    if (text.isEmpty()) {
        m_findState->clear();
        return;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_browser->find(text, flags);
    if (!found) {
        // On from the other end, as the reader expects of a search.
        QTextCursor cursor(m_browser->document());
        cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
        m_browser->setTextCursor(cursor);
        found = m_browser->find(text, flags);
    }
    m_findState->setText(found ? QString() : QStringLiteral(" Не найдено"));
}

// The guide's files are copied out of the program, into the user's cache,
// since a browser cannot read them inside it.
void HelpWindow::openInDesktopBrowser()
{
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                               .filePath(QStringLiteral("guide"));
    const QString page = QDir(folder).filePath(QStringLiteral("guide.html"));
    const bool written = ErrorReport::guard([&] {
        if (!QDir().mkpath(folder))
            throw AppError(QStringLiteral("Не удалось создать папку для руководства."), folder);
        QDirIterator files(QStringLiteral(":/guide"), QDir::Files);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                throw AppError(QStringLiteral("Руководство не читается из программы."),
                               file.fileName());
            AtomicFile::write(QDir(folder).filePath(QFileInfo(file).fileName()), file.readAll(),
                              QStringLiteral("Не удалось записать руководство"));
        }
    });
    if (written && !DesktopOpen::open(page))
        WidgetPrompts().notify(QStringLiteral("Руководство записано в файл %1, но программы для "
                                              "просмотра страниц HTML на компьютере нет.")
                                   .arg(QDir::toNativeSeparators(page)));
}
