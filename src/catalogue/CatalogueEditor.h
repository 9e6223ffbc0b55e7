#pragma once

#include <QWidget>
#include <memory>

class Prompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class CatalogueHold;
class GoodsModel;
class RowsGrid;
class Session;

// "Редактирование базы товаров.": the goods of the catalogue in an editable
// grid, filtered by group, with a fill row that stamps a prefix, a group, a
// type, a maker and a unit onto one good after another by double-clicks.
class CatalogueEditor : public QWidget {
    Q_OBJECT

public:
    CatalogueEditor(Session &session, Prompts &prompts, QWidget *parent = nullptr);
    ~CatalogueEditor() override;

    // Fills the group lists from the catalogue, shows every good, and shows
    // the window.
    void open();
    // Closes the goods, lets go of the catalogue and hides the window.
    void leave();

    GoodsModel *goods() const { return m_goods; }
    RowsGrid *grid() const { return m_grid; }

    // Group filter: "Все группы", "Неопределенные" (goods without a group) or
    // one group.
    void filterByGroup(const QString &group);
    // Stamps the fill row onto the good at row, when the fill row is on.
    void stamp(int row);
    // "Импорт прайс-листа": a file chosen, then the import dialog, after
    // which the grid shows the goods as they are.
    void importPriceList();

signals:
    void left();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildFillRow();
    QWidget *buildBottom();
    void placeFillRow();
    void showFillRow(bool shown);
    void connectAndLoad();
    // A change refused because someone else changed the good since it was
    // read: asks whether to read the goods again, keeping the user's place.
    void offerReload(const QString &refusal);
    void showCurrentGood();

    Session &m_session;
    Prompts &m_prompts;
    GoodsModel *m_goods = nullptr;
    std::unique_ptr<CatalogueHold> m_held;
    RowsGrid *m_grid = nullptr;
    QWidget *m_fillStrip = nullptr;
    QLineEdit *m_prefix = nullptr;
    QComboBox *m_fillGroup = nullptr;
    QLineEdit *m_fillType = nullptr;
    QLineEdit *m_fillMaker = nullptr;
    QComboBox *m_fillUnit = nullptr;
    QCheckBox *m_fillOn = nullptr;
    QComboBox *m_groupFilter = nullptr;
    QLineEdit *m_blockName = nullptr;
    QString m_filter;
    bool m_loaded = false;
};
