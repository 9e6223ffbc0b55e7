#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

// "Справка: Kvintor": the user guide in a browser with back, forward and the
// contents, the chapters listed beside it (the one being read marked), a
// search in the text, and the guide handed to the desktop's browser.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the guide at anchor (its beginning for none) and brings the
    // window to the front; the first time beside the window the user asked
    // from.
    void showAt(const QString &anchor, QWidget *askedFrom);

    QTextBrowser *browser() const { return m_browser; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Chapter {
        int position; // of its heading in the document
        QTreeWidgetItem *item;
    };

    // A modal dialog blocks every window but its own: the guide opened from
    // one is its child while the dialog shows, and a window of its own again
    // once the dialog is closed, so that it stays open.
    void followModalDialog();
    void becomeChildOf(QWidget *owner);
    void listChapters();
    void markChapterBeingRead();
    void find(bool backwards);
    void openInDesktopBrowser();

    QTextBrowser *m_browser = nullptr;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_findText = nullptr;
    QLabel *m_findState = nullptr;
    QList<Chapter> m_chapters;
    bool m_placed = false;
};
