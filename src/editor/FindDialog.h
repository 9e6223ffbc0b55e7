#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// "Поиск и замена": the text to find in the positions and the text to put
// in its place. It finds nothing itself: the editor does what its buttons
// ask and tells it what came of it.
class FindDialog : public QDialog {
    Q_OBJECT

public:
    explicit FindDialog(QWidget *parent = nullptr);

    QString findText() const;
    QString replaceText() const;
    // Shows the dialog with the find field ready, or the replace field.
    void showFor(bool replacing);
    // What came of the last button: "Не найдено", "Заменено: 3"; empty
    // for a find that found.
    void tell(const QString &outcome);

signals:
    void findNext();
    void findPrevious();
    void replaceOne();
    void replaceAll();

private:
    QLineEdit *m_find = nullptr;
    QLineEdit *m_replace = nullptr;
    QLabel *m_outcome = nullptr;
};
