#pragma once

#include "PickerFilter.h"
#include "PutGood.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class CatalogueHold;
class DuplicatePositionDialog;
class GoodsModel;
class QComboBox;
class QLineEdit;
class QTableView;
class Session;

// "Вставка компонента из базы.": finds a good of the catalogue by words of
// its description, its group, type and maker, and puts it into the editor's
// current position.
class ComponentPicker : public QWidget {
    Q_OBJECT

public:
    explicit ComponentPicker(Session &session, QWidget *parent = nullptr);
    ~ComponentPicker() override;

    // Puts a chosen good into the specification; true when it changed.
    using GoodTaker = std::function<bool(const Good &good)>;

    // Shows the picker; the good the user chooses goes to putGood.
    void pickFor(GoodTaker putGood);
    // The duplicate position dialog: the total the user agrees to, or
    // nothing when the user cancels.
    std::optional<double> askMerge(const DuplicatePosition &duplicate);

    GoodsModel *list() const { return m_list; }
    QTableView *listView() const { return m_view; }
    DuplicatePositionDialog *duplicateDialog() const { return m_duplicateDialog; }

    // Puts the good under the list cursor into the position, then closes.
    void addCurrentGood();
    // Closes without changing the specification.
    void cancel();

    // The goods list as the window shows it: read-only, the picker's
    // columns; shared with the benchmark so that it measures what the user
    // waits for.
    static GoodsModel *makeList(Catalogue &catalogue, QObject *parent);

signals:
    // The picker closed; changed tells whether the specification changed.
    void closed(bool changed);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Enter and Escape wherever the focus is: the list and the fields pass
    // on the keys they have no use for.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyTyping();
    void applyGroup();
    void activate();
    void finish(bool changed);
    void showCurrentGood();
    void showFirstGood();
    PickerCriteria criteria() const;

    Session &m_session;
    GoodsModel *m_list = nullptr;
    std::unique_ptr<CatalogueHold> m_held;
    QTableView *m_view = nullptr;
    QComboBox *m_group = nullptr;
    QLineEdit *m_words = nullptr;
    QLineEdit *m_type = nullptr;
    QLineEdit *m_maker = nullptr;
    QLineEdit *m_name = nullptr;
    DuplicatePositionDialog *m_duplicateDialog = nullptr;
    GoodTaker m_putGood;
    bool m_active = false;
};
