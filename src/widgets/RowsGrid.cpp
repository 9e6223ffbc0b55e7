#include "RowsGrid.h"

#include "CellTips.h"
#include "ColumnWidths.h"
#include "GridModel.h"
#include "Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <optional>
#include <utility>

// Paints the focused cell of a coloured row black, as the row colours ask;
// offers the usual units in the unit column while accepting any text; and
// remembers a value the model refused, so that the grid can keep it in
// editing.
class RowDelegate : public QStyledItemDelegate {
public:
    struct Refusal {
        QPersistentModelIndex index;
        QString text;
    };

    RowDelegate(int unitColumn, QObject *parent)
        : QStyledItemDelegate(parent), m_unitColumn(unitColumn)
    {
    }

    // The value refused since the last call, if any.
    std::optional<Refusal> takeRefusal() { return std::exchange(m_refusal, std::nullopt); }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QVariant background = index.data(Qt::BackgroundRole);
        const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
        if (background.isValid() && view && view->currentIndex() == index) {
            QStyleOptionViewItem focused = option;
            initStyleOption(&focused, index);
            focused.backgroundBrush = Qt::black;
            focused.palette.setColor(QPalette::Text, Qt::white);
            focused.palette.setColor(QPalette::HighlightedText, Qt::white);
            focused.palette.setColor(QPalette::Highlight, Qt::black);
            focused.state &= ~QStyle::State_HasFocus;
            painter->fillRect(option.rect, Qt::black);
            focused.widget->style()->drawControl(QStyle::CE_ItemViewItem, &focused, painter,
                                                 focused.widget);
            return;
        }
        QStyleOptionViewItem plain = option;
        if (background.isValid())
            plain.state &= ~QStyle::State_Selected; // the row colour stays visible
        QStyledItemDelegate::paint(painter, plain, index);
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (index.column() != m_unitColumn)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *units = new QComboBox(parent);
        units->setEditable(true);
        units->addItems({QStringLiteral("Шт"), QStringLiteral("мп"), QStringLiteral("кг"),
                         QStringLiteral("л")});
        return units;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *units = qobject_cast<QComboBox *>(editor)) {
            units->setCurrentText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        QString text;
        if (auto *units = qobject_cast<QComboBox *>(editor))
            text = units->currentText();
        else if (auto *line = qobject_cast<QLineEdit *>(editor))
            text = line->text();
        else {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        if (!model->setData(index, text))
            m_refusal = Refusal{index, text};
    }

    bool eventFilter(QObject *object, QEvent *event) override
    {
        // A click into the grid moves the focus there before the grid moves
        // to the clicked cell, which ends the edit itself: ending it on the
        // focus as well would refuse a wrong value twice.
        if (event->type() == QEvent::FocusOut) {
            const auto *editor = qobject_cast<QWidget *>(object);
            const QWidget *viewport = editor ? editor->parentWidget() : nullptr;
            const QWidget *focus = QApplication::focusWidget();
            if (viewport && focus && (focus == viewport || focus == viewport->parentWidget()))
                return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    int m_unitColumn;
    mutable std::optional<Refusal> m_refusal;
};

RowsGrid::RowsGrid(Prompts &prompts, QWidget *parent) : QTableView(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("DBGrid1"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    // Rows are one line high: a cell cut at a space would show its first
    // word alone.
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    showWholeTextInTips(this);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(14);
    horizontalHeader()->setHighlightSections(false);
}

void RowsGrid::setRowsModel(GridModel *model, int unitColumn, const QList<int> &columnWidths)
{
    m_model = model;
    setModel(model);
    m_delegate = new RowDelegate(unitColumn, this);
    setItemDelegate(m_delegate);
    keepColumnWidths(this, columnWidths);
}

void RowsGrid::deleteCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!m_model || !current.isValid())
        return;
    if (current.row() == m_model->pendingRow()) {
        cancelInsert();
        return;
    }
    if (!m_prompts.confirm(QStringLiteral("Удалить запись?")))
        return;
    m_model->removeRecord(current.row());
}

bool RowsGrid::endEdit(bool keep)
{
    QWidget *editor = indexWidget(currentIndex());
    if (!editor)
        editor = QApplication::focusWidget();
    if (state() != EditingState || !editor || !viewport()->isAncestorOf(editor))
        return true;
    if (keep)
        commitData(editor);
    closeEditor(editor,
                keep ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
    return state() != EditingState;
}

void RowsGrid::cancelInsert()
{
    const int row = m_model ? m_model->pendingRow() : -1;
    if (row < 0 || currentIndex().row() != row)
        return;
    const int column = qMax(0, currentIndex().column());
    m_model->dropPendingRow();
    // Back to the row that was current when the insert began.
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(qMin(row, m_model->rowCount() - 1), column));
}

void RowsGrid::navigate(RecordNavigator::Button button)
{
    if (!m_model)
        return;
    const QModelIndex current = currentIndex();
    const int column = qMax(0, current.column());
    const int rows = m_model->rowCount();
    switch (button) {
    case RecordNavigator::First:
        if (rows > 0)
            setCurrentIndex(m_model->index(0, column));
        break;
    case RecordNavigator::Prior:
        if (current.row() > 0)
            setCurrentIndex(m_model->index(current.row() - 1, column));
        break;
    case RecordNavigator::Last:
        if (rows > 0)
            setCurrentIndex(m_model->index(rows - 1, column));
        break;
    case RecordNavigator::Insert:
        // A blank row being added is the row to type into: no second one.
        if (endEdit(true) && (!current.isValid() || current.row() != m_model->pendingRow()))
            setCurrentIndex(m_model->index(m_model->insertRecord(qMax(0, current.row())), column));
        break;
    case RecordNavigator::Delete:
        endEdit(false);
        deleteCurrentRow();
        break;
    case RecordNavigator::Edit:
        if (current.isValid())
            edit(current);
        break;
    case RecordNavigator::Post:
        endEdit(true);
        break;
    case RecordNavigator::Cancel:
        endEdit(false);
        cancelInsert();
        break;
    case RecordNavigator::Refresh:
        break;
    }
    // A refused value keeps its editor, and the editor the focus.
    if (state() != EditingState)
        setFocus();
}

void RowsGrid::appendRow()
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == m_model->pendingRow())
        return; // the blank row being added is still the last
    const int row = m_model->insertRecord(m_model->rowCount());
    setCurrentIndex(m_model->index(row, current.isValid() ? current.column() : 1));
}

void RowsGrid::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (m_model && event->key() == Qt::Key_Down && plain &&
        (!current.isValid() || current.row() == m_model->rowCount() - 1)) {
        // Moving below the last row appends a row, as in a paper list; what
        // is being typed in the last row is written first.
        if (endEdit(true))
            appendRow();
        return;
    }
    if (m_model && state() != EditingState) {
        if (event->key() == Qt::Key_Escape && plain && current.isValid() &&
            current.row() == m_model->pendingRow()) {
            cancelInsert();
            return;
        }
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            deleteCurrentRow();
            return;
        }
        if ((event->key() == Qt::Key_Insert || event->key() == Qt::Key_F4) && plain) {
            emit pickRequested();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void RowsGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit rowDoubleClicked();
}

void RowsGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // The black focused cell moves with the focus.
    if (previous.isValid())
        update(previous);
    if (current.row() != previous.row())
        emit currentRowChanged(current.row());
    // A row added and left blank goes; not at once, for the move that left
    // it is still under way.
    if (m_model && m_model->pendingRow() >= 0 && m_model->pendingRow() != current.row())
        QMetaObject::invokeMethod(this, &RowsGrid::dropLeftInsert, Qt::QueuedConnection);
}

void RowsGrid::dropLeftInsert()
{
    const int row = m_model ? m_model->pendingRow() : -1;
    if (row < 0 || row == currentIndex().row())
        return;
    m_model->dropPendingRow();
    // The rows below it have moved up, the current one perhaps among them.
    emit currentRowChanged(currentIndex().row());
}

void RowsGrid::commitData(QWidget *editor)
{
    // The message about a refused value takes the focus from the editor,
    // and losing the focus would commit the same value once more.
    if (m_committing)
        return;
    const QScopedValueRollback committing(m_committing, true);
    QTableView::commitData(editor);
}

void RowsGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Closing while committing comes from that lost focus; the commit's own
    // end closes the editor, or keeps it.
    if (m_committing)
        return;
    const std::optional<RowDelegate::Refusal> refusal =
        m_delegate ? m_delegate->takeRefusal() : std::nullopt;
    if (!refusal) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // The refused text stays in its cell for the user to correct.
    if (refusal->index == currentIndex()) {
        editor->setFocus();
        return;
    }
    // The move to another cell goes on; the cell is opened again after it.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    QMetaObject::invokeMethod(
        this, [this, refusal = *refusal] { reopenEditor(refusal.index, refusal.text); },
        Qt::QueuedConnection);
}

void RowsGrid::reopenEditor(const QPersistentModelIndex &index, const QString &text)
{
    if (!index.isValid() || !isVisible())
        return;
    const QModelIndex cell = index;
    setCurrentIndex(cell);
    if (!edit(cell, AllEditTriggers, nullptr))
        return;
    QWidget *editor = indexWidget(cell);
    if (auto *units = qobject_cast<QComboBox *>(editor))
        units->setCurrentText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(text);
}
