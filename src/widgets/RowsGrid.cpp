#include "RowsGrid.h"

#include "Prompts.h"
#include "RowsModel.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Paints the focused cell of a coloured row black, as the row colours ask,
// and offers the usual units in the unit column while accepting any text.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(int unitColumn, QObject *parent)
        : QStyledItemDelegate(parent), m_unitColumn(unitColumn)
    {
    }

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
        if (auto *units = qobject_cast<QComboBox *>(editor)) {
            model->setData(index, units->currentText());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    int m_unitColumn;
};

} // namespace

RowsGrid::RowsGrid(Prompts &prompts, QWidget *parent) : QTableView(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("DBGrid1"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(14);
    horizontalHeader()->setHighlightSections(false);
}

void RowsGrid::setRowsModel(RowsModel *model, int unitColumn, const QList<int> &columnWidths)
{
    m_model = model;
    setModel(model);
    setItemDelegate(new RowDelegate(unitColumn, this));
    for (int column = 0; column < columnWidths.size(); ++column)
        if (columnWidths[column] > 0)
            setColumnWidth(column, columnWidths[column]);
}

void RowsGrid::deleteCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!m_model || !current.isValid())
        return;
    if (!m_prompts.confirm(QStringLiteral("Delete record?")))
        return;
    m_model->removeRecord(current.row());
}

void RowsGrid::endEdit(bool keep)
{
    QWidget *editor = indexWidget(currentIndex());
    if (!editor)
        editor = QApplication::focusWidget();
    if (state() != EditingState || !editor || !viewport()->isAncestorOf(editor))
        return;
    if (keep)
        commitData(editor);
    closeEditor(editor,
                keep ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
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
    case RecordNavigator::Insert: {
        endEdit(true);
        const int row = m_model->insertRecord(qMax(0, current.row()));
        if (row >= 0)
            setCurrentIndex(m_model->index(row, column));
        break;
    }
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
        break;
    case RecordNavigator::Refresh:
        break;
    }
    setFocus();
}

void RowsGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_model && state() != EditingState) {
        const QModelIndex current = currentIndex();
        // Moving below the last row appends a position, as in a paper list.
        if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier &&
            (!current.isValid() || current.row() == m_model->rowCount() - 1)) {
            const int row = m_model->insertRecord(m_model->rowCount());
            if (row >= 0)
                setCurrentIndex(m_model->index(row, current.isValid() ? current.column() : 1));
            return;
        }
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            deleteCurrentRow();
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
}
