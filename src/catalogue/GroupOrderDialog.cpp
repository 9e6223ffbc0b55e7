#include "GroupOrderDialog.h"

#include "ErrorReport.h"
#include "GlyphIcon.h"
#include "GroupOrder.h"
#include "Schema.h"
#include "Session.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QColor kMoveColour(0x20, 0x40, 0x80);
const QColor kAddColour(0x20, 0x80, 0x20);
const QColor kRemoveColour(0xb0, 0x20, 0x20);

} // namespace

GroupOrderDialog::GroupOrderDialog(Session &session, Prompts &prompts, QWidget *parent)
    : QDialog(parent), m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Порядок групп."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);

    auto *frame = new QGroupBox(this);
    m_list = new QListWidget(frame);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setAccessibleName(QStringLiteral("Группы"));
    m_list->setFixedSize(377, 234);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    m_upButton =
        addCommandButton("SpeedButton1", QStringLiteral("Вверх"), QStringLiteral("▲"), kMoveColour);
    m_downButton =
        addCommandButton("SpeedButton2", QStringLiteral("Вниз"), QStringLiteral("▼"), kMoveColour);
    auto *addButton = addCommandButton("SpeedButton3", QStringLiteral("Добавить"),
                                       QStringLiteral("+"), kAddColour);
    auto *removeButton = addCommandButton("SpeedButton4", QStringLiteral("Удалить"),
                                          QStringLiteral("−"), kRemoveColour);
    m_applyButton = addCommandButton("SpeedButton5", QStringLiteral("Применить"),
                                     QStringLiteral("✔"), kAddColour);
    m_upButton->setEnabled(false);
    m_applyButton->setEnabled(false);

    auto *commands = new QVBoxLayout;
    for (QPushButton *button : {m_upButton, m_downButton, addButton, removeButton, m_applyButton})
        commands->addWidget(button);
    commands->addStretch();
    auto *frameLayout = new QHBoxLayout(frame);
    frameLayout->setContentsMargins(6, 6, 6, 6);
    frameLayout->addWidget(m_list);
    frameLayout->addLayout(commands);

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("Edit1"));
    m_nameEdit->setAccessibleName(QStringLiteral("Название группы"));
    m_nameEdit->setFixedWidth(377);
    m_nameEdit->setMaxLength(Schema::kGroupNameLength);
    m_nameEdit->installEventFilter(this);

    auto *ok = addCommandButton("BitBtn1", QStringLiteral("OK"), QStringLiteral("✔"), kAddColour);
    auto *cancel =
        addCommandButton("BitBtn2", QStringLiteral("Отмена"), QStringLiteral("✘"), kRemoveColour);
    auto *bottom = new QHBoxLayout;
    bottom->addSpacing(6);
    bottom->addWidget(m_nameEdit);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame);
    layout->addLayout(bottom);
    // The dialog keeps the size its fixed-size list and field give it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_list, &QListWidget::currentRowChanged, this, &GroupOrderDialog::groupSelected);
    // A click on the selected group also takes back a name being typed.
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { groupSelected(m_list->row(item)); });
    connect(m_upButton, &QPushButton::clicked, this, &GroupOrderDialog::moveUp);
    connect(m_downButton, &QPushButton::clicked, this, &GroupOrderDialog::moveDown);
    connect(addButton, &QPushButton::clicked, this, &GroupOrderDialog::addGroup);
    connect(removeButton, &QPushButton::clicked, this, &GroupOrderDialog::removeGroup);
    connect(m_applyButton, &QPushButton::clicked, this, &GroupOrderDialog::renameGroup);
    connect(m_nameEdit, &QLineEdit::returnPressed, this, [this] {
        if (m_applyButton->isEnabled())
            renameGroup();
    });
    connect(ok, &QPushButton::clicked, this, &GroupOrderDialog::writeOrder);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton *GroupOrderDialog::addCommandButton(const char *name, const QString &text,
                                                const QString &glyph, const QColor &colour)
{
    auto *button = new QPushButton(glyphIcon(glyph, colour), text, this);
    button->setObjectName(QLatin1String(name));
    // Enter must not press a button the user did not choose: in the name
    // field it applies the name, and a dialog picks a default button of its
    // own unless every button declines.
    button->setAutoDefault(false);
    return button;
}

void GroupOrderDialog::open()
{
    showOrder(m_session.groupOrder().isEmpty() ? -1 : 0);
    showSelectedName();
    show();
    raise();
    activateWindow();
    m_list->setFocus();
}

bool GroupOrderDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Coming into the name field is what asks for a rename: a click, or Tab
    // for the user of the keyboard. Typing alone does not.
    if (watched == m_nameEdit) {
        const bool byClick = event->type() == QEvent::MouseButtonPress;
        const bool byTab = event->type() == QEvent::FocusIn &&
                           (static_cast<QFocusEvent *>(event)->reason() == Qt::TabFocusReason ||
                            static_cast<QFocusEvent *>(event)->reason() == Qt::BacktabFocusReason);
        if (byClick || byTab)
            m_applyButton->setEnabled(true);
    }
    return QDialog::eventFilter(watched, event);
}

void GroupOrderDialog::groupSelected(int row)
{
    if (row < 0)
        return;
    m_applyButton->setEnabled(false);
    m_upButton->setEnabled(row > 0);
    m_downButton->setEnabled(row < m_list->count() - 1);
    showSelectedName();
}

void GroupOrderDialog::moveUp()
{
    m_downButton->setEnabled(true);
    const int row = m_list->currentRow();
    if (row <= 0)
        return;
    moveSelected(row, row - 1);
    if (row - 1 == 0)
        m_upButton->setEnabled(false);
}

void GroupOrderDialog::moveDown()
{
    m_upButton->setEnabled(true);
    const int row = m_list->currentRow();
    const int last = m_list->count() - 1;
    if (row < 0 || row >= last)
        return;
    moveSelected(row, row + 1);
    if (row + 1 == last)
        m_downButton->setEnabled(false);
}

void GroupOrderDialog::moveSelected(int from, int to)
{
    showOrder(GroupOrder::move(m_session, from, to));
}

void GroupOrderDialog::addGroup()
{
    showOrder(GroupOrder::add(m_session));
    showSelectedName();
}

void GroupOrderDialog::renameGroup()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    std::optional<int> selected;
    if (!ErrorReport::guard([&] {
            selected = GroupOrder::rename(m_session, m_prompts, row, m_nameEdit->text());
        }) ||
        !selected)
        return;
    showOrder(*selected);
    // The new name, or after the order was loaded again the first group's.
    showSelectedName();
    // A disabled button hands its focus on as Tab does, here into the name
    // field, which would ask for a rename once more: the list takes it.
    if (focusWidget() == m_applyButton)
        m_list->setFocus(Qt::OtherFocusReason);
    m_applyButton->setEnabled(false);
}

void GroupOrderDialog::removeGroup()
{
    m_applyButton->setEnabled(false);
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    std::optional<int> selected;
    if (!ErrorReport::guard([&] { selected = GroupOrder::remove(m_session, m_prompts, row); }) ||
        !selected)
        return;
    showOrder(*selected);
    showSelectedName();
}

void GroupOrderDialog::writeOrder()
{
    accept();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    GroupOrder::Result result = GroupOrder::Result::Refused;
    ErrorReport::guard([&] { result = GroupOrder::writeOrder(m_session, m_prompts); });
    QApplication::restoreOverrideCursor();
    // The order loaded again is shown, for the user to put it in order anew.
    if (result == GroupOrder::Result::Reloaded)
        open();
}

void GroupOrderDialog::showOrder(int selected)
{
    {
        const QSignalBlocker quiet(m_list);
        const QStringList order = m_session.groupOrder();
        if (groups() != order) {
            m_list->clear();
            m_list->addItems(order);
        }
    }
    selectQuietly(selected);
}

void GroupOrderDialog::selectQuietly(int row)
{
    const QSignalBlocker quiet(m_list);
    m_list->setCurrentRow(row);
}

void GroupOrderDialog::showSelectedName()
{
    const QListWidgetItem *item = m_list->currentItem();
    m_nameEdit->setText(item ? item->text() : QString());
}

QStringList GroupOrderDialog::groups() const
{
    QStringList result;
    for (int row = 0; row < m_list->count(); ++row)
        result << m_list->item(row)->text();
    return result;
}
