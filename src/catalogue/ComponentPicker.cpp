#include "ComponentPicker.h"

#include "CellTips.h"
#include "ColumnWidths.h"
#include "DuplicatePositionDialog.h"
#include "ErrorReport.h"
#include "GoodsModel.h"
#include "Session.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The filter fields stand out in money green.
void paintFilterField(QWidget *field)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QColor(192, 220, 192));
    field->setPalette(palette);
}

const QList<int> kColumnWidths = {423, 98, 114, 117, 64, 54, 64};

} // namespace

GoodsModel *ComponentPicker::makeList(Catalogue &catalogue, QObject *parent)
{
    const Qt::Alignment centred = Qt::AlignCenter;
    auto *list = new GoodsModel(
        catalogue,
        {{GoodsModel::Caption, QStringLiteral("Описание"), Qt::AlignLeft | Qt::AlignVCenter},
         {GoodsModel::Type, QStringLiteral("Тип, марка"), centred},
         {GoodsModel::Code, QStringLiteral("Код оборудования"), centred},
         {GoodsModel::Maker, QStringLiteral("Завод-изготовитель"), centred},
         {GoodsModel::Mass, QStringLiteral("Масса, кг"), centred},
         {GoodsModel::Unit, QStringLiteral("Ед.изм."), centred},
         {GoodsModel::Cost, QStringLiteral("Цена"), Qt::AlignRight | Qt::AlignVCenter}},
        parent);
    list->setReadOnly(true);
    return list;
}

ComponentPicker::ComponentPicker(Session &session, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_session(session)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Вставка компонента из базы."));

    m_list = makeList(session.goods(), this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("DBGrid1"));
    m_view->setModel(m_list);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setMinimumWidth(14);
    m_view->setAccessibleName(QStringLiteral("Товары"));
    // One line a good, as in the other grids.
    m_view->setWordWrap(false);
    showWholeTextInTips(m_view);
    keepColumnWidths(m_view, kColumnWidths);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(6, 6, 6, 6);
    top->addWidget(new QLabel(QStringLiteral("Группа:"), this));
    m_group = new QComboBox(this);
    m_group->setObjectName(QStringLiteral("ComboBox1"));
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    m_group->setFixedWidth(390);
    m_group->setAccessibleName(QStringLiteral("Группа"));
    paintFilterField(m_group);
    top->addWidget(m_group);
    top->addSpacing(4);
    m_type = new QLineEdit(this);
    m_type->setObjectName(QStringLiteral("Edit2"));
    m_type->setFixedWidth(97);
    m_type->setPlaceholderText(QStringLiteral("Тип, марка"));
    m_type->setAccessibleName(m_type->placeholderText());
    paintFilterField(m_type);
    m_maker = new QLineEdit(this);
    m_maker->setObjectName(QStringLiteral("Edit3"));
    m_maker->setFixedWidth(118);
    m_maker->setPlaceholderText(QStringLiteral("Завод"));
    m_maker->setAccessibleName(m_maker->placeholderText());
    paintFilterField(m_maker);
    top->addWidget(m_type);
    top->addSpacing(114);
    top->addWidget(m_maker);
    top->addStretch(1);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 4, 6, 4);
    bottom->addWidget(new QLabel(QStringLiteral("Имя блока:"), this));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("DBEdit1"));
    m_name->setReadOnly(true);
    m_name->setFixedWidth(361);
    m_name->setAccessibleName(QStringLiteral("Имя блока"));
    bottom->addWidget(m_name);
    m_words = new QLineEdit(this);
    m_words->setObjectName(QStringLiteral("Edit1"));
    m_words->setFixedWidth(219);
    m_words->setPlaceholderText(QStringLiteral("Слова описания"));
    m_words->setAccessibleName(m_words->placeholderText());
    paintFilterField(m_words);
    bottom->addWidget(m_words);
    auto *add = new QPushButton(QStringLiteral("Добавить"), this);
    add->setObjectName(QStringLiteral("Button1"));
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    bottom->addWidget(add);
    bottom->addWidget(cancel);
    bottom->addStretch(1);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom);
    layout->addWidget(status);

    m_duplicateDialog = new DuplicatePositionDialog(this);

    connect(m_words, &QLineEdit::textEdited, this, &ComponentPicker::applyTyping);
    connect(m_type, &QLineEdit::textEdited, this, &ComponentPicker::applyTyping);
    connect(m_maker, &QLineEdit::textEdited, this, &ComponentPicker::applyTyping);
    connect(m_group, &QComboBox::textActivated, this, &ComponentPicker::applyGroup);
    connect(m_group->lineEdit(), &QLineEdit::textEdited, this, &ComponentPicker::applyGroup);
    connect(add, &QPushButton::clicked, this, &ComponentPicker::addCurrentGood);
    connect(cancel, &QPushButton::clicked, this, &ComponentPicker::cancel);
    connect(m_view, &QTableView::doubleClicked, this, &ComponentPicker::addCurrentGood);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ComponentPicker::showCurrentGood);
    connect(m_list, &QAbstractItemModel::modelReset, this, &ComponentPicker::showCurrentGood);
    connect(&session, &Session::listsChanged, this, [this] {
        QStringList shown;
        for (int i = 0; i < m_group->count(); ++i)
            shown << m_group->itemText(i);
        if (shown == m_session.pickerGroupList())
            return;
        const QString text = m_group->currentText();
        m_group->clear();
        m_group->addItems(m_session.pickerGroupList());
        m_group->setCurrentText(text.isEmpty() ? Session::kAllGroupsItem : text);
    });
    m_group->addItems(session.pickerGroupList());
    m_group->setCurrentText(Session::kAllGroupsItem);
    // Typing words and moving through the list go together.
    m_words->installEventFilter(this);

    resize(987, 486);
}

ComponentPicker::~ComponentPicker() = default;

PickerCriteria ComponentPicker::criteria() const
{
    return {m_words->text(), m_group->currentText(), m_type->text(), m_maker->text()};
}

void ComponentPicker::pickFor(GoodTaker putGood)
{
    m_putGood = std::move(putGood);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
    activate();
    m_words->setFocus();
}

void ComponentPicker::activate()
{
    m_active = true;
    ErrorReport::guard([this] {
        // Every search reads the catalogue as it is now, with what other
        // connections wrote; it stays connected while the picker shows.
        if (!m_held)
            m_held = m_session.goods().hold();
        m_list->show(PickerFilter::typing(criteria()));
    });
    showFirstGood();
}

void ComponentPicker::applyTyping()
{
    ErrorReport::guard([this] { m_list->show(PickerFilter::typing(criteria())); });
    showFirstGood();
}

void ComponentPicker::applyGroup()
{
    ErrorReport::guard([this] { m_list->show(PickerFilter::groupChange(m_group->currentText())); });
    showFirstGood();
}

// Every new search puts the list cursor on its first good.
void ComponentPicker::showFirstGood()
{
    if (m_list->rowCount() > 0)
        m_view->setCurrentIndex(m_list->index(0, 0));
    showCurrentGood();
}

void ComponentPicker::showCurrentGood()
{
    m_name->setText(m_list->good(m_view->currentIndex().row()).name);
}

void ComponentPicker::addCurrentGood()
{
    const int row = m_view->currentIndex().row();
    if (row < 0 || row >= m_list->rowCount() || !m_putGood)
        return; // no good under the cursor: nothing to add
    finish(m_putGood(m_list->good(row)));
}

std::optional<double> ComponentPicker::askMerge(const DuplicatePosition &duplicate)
{
    return m_duplicateDialog->ask(duplicate);
}

void ComponentPicker::cancel()
{
    finish(false);
}

void ComponentPicker::finish(bool changed)
{
    m_active = false;
    m_list->clear();
    m_held.reset();
    m_putGood = nullptr;
    hide();
    emit closed(changed);
}

void ComponentPicker::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Coming back from another window shows the catalogue's current goods.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible() && !m_active &&
        m_putGood)
        activate();
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_active = false;
}

void ComponentPicker::closeEvent(QCloseEvent *event)
{
    event->ignore();
    cancel();
}

void ComponentPicker::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        addCurrentGood();
        return;
    case Qt::Key_Escape:
        cancel();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool ComponentPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_words && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(m_view, &copy);
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
            addCurrentGood();
            return true;
        case Qt::Key_Escape:
            cancel();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
