#include "CatalogueEditor.h"

#include "AppError.h"
#include "Catalogue.h"
#include "ErrorReport.h"
#include "FillRow.h"
#include "GoodsModel.h"
#include "GroupOrder.h"
#include "PriceListDialog.h"
#include "PriceListFile.h"
#include "Prompts.h"
#include "RowsGrid.h"
#include "Session.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

enum GoodsColumn { Caption, Group, Type, Code, Maker, Mass, Unit, Price };

QList<GoodsModel::Column> goodsColumns()
{
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment centred = Qt::AlignCenter;
    // The two long texts have their titles at the left, where they start.
    return {{GoodsModel::Caption, QStringLiteral("Наименование товара"), left, left},
            {GoodsModel::Group, QStringLiteral("Группа"), left, left},
            {GoodsModel::Type, QStringLiteral("Тип, марка"), centred},
            {GoodsModel::Code, QStringLiteral("Код оборудования"), centred},
            {GoodsModel::Maker, QStringLiteral("Завод-изготовитель"), centred},
            {GoodsModel::Mass, QStringLiteral("Масса, кг"), centred},
            {GoodsModel::Unit, QStringLiteral("Ед.изм."), centred},
            {GoodsModel::Cost, QStringLiteral("Цена, у.е."), centred}};
}

const QStringList kUnits = {QStringLiteral("Шт"), QStringLiteral("мп"), QStringLiteral("кг"),
                            QStringLiteral("л")};

} // namespace

CatalogueEditor::CatalogueEditor(Session &session, Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Редактирование базы товаров."));

    m_goods = new GoodsModel(session.goods(), goodsColumns(), this);
    m_grid = new RowsGrid(prompts, this);
    m_grid->setAccessibleName(QStringLiteral("Товары"));
    m_grid->setRowsModel(m_goods, Unit, {354, 302, 109, 100, 111, 64, 42, 55});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildFillRow());
    layout->addWidget(m_grid, 1);
    layout->addWidget(buildBottom());

    connect(m_grid, &RowsGrid::rowDoubleClicked, this,
            [this] { stamp(m_grid->currentIndex().row()); });
    connect(m_grid, &RowsGrid::currentRowChanged, this, &CatalogueEditor::showCurrentGood);
    connect(m_goods, &QAbstractItemModel::dataChanged, this, &CatalogueEditor::showCurrentGood);
    connect(m_goods, &QAbstractItemModel::modelReset, this, &CatalogueEditor::showCurrentGood);
    // Asked once the grid has ended the edit that was refused.
    connect(m_goods, &GoodsModel::staleWriteRefused, this, &CatalogueEditor::offerReload,
            Qt::QueuedConnection);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &CatalogueEditor::placeFillRow);
    connect(m_grid->horizontalHeader(), &QHeaderView::geometriesChanged, this,
            &CatalogueEditor::placeFillRow);

    resize(1185, 683);
}

CatalogueEditor::~CatalogueEditor() = default;

QWidget *CatalogueEditor::buildFillRow()
{
    m_fillStrip = new QWidget(this);
    m_fillStrip->setObjectName(QStringLiteral("Panel1"));
    m_fillStrip->setFixedHeight(33);
    m_prefix = new QLineEdit(m_fillStrip);
    m_prefix->setObjectName(QStringLiteral("Edit1"));
    m_prefix->setToolTip(QStringLiteral("Приставка к наименованию"));
    m_fillGroup = new QComboBox(m_fillStrip);
    m_fillGroup->setObjectName(QStringLiteral("ComboBox3"));
    m_fillGroup->setEditable(true);
    m_fillGroup->setInsertPolicy(QComboBox::NoInsert);
    m_fillType = new QLineEdit(m_fillStrip);
    m_fillType->setObjectName(QStringLiteral("Edit3"));
    m_fillMaker = new QLineEdit(m_fillStrip);
    m_fillMaker->setObjectName(QStringLiteral("Edit4"));
    m_fillUnit = new QComboBox(m_fillStrip);
    m_fillUnit->setObjectName(QStringLiteral("ComboBox2"));
    m_fillUnit->setEditable(true);
    m_fillUnit->addItems(kUnits);
    m_fillUnit->setCurrentText(QStringLiteral("Шт"));
    m_fillOn = new QCheckBox(m_fillStrip);
    m_fillOn->setObjectName(QStringLiteral("CheckBox1"));
    m_fillOn->setToolTip(QStringLiteral("Заполнение двойным щелчком"));
    // The fill controls are named by what they fill.
    m_prefix->setAccessibleName(m_prefix->toolTip());
    m_fillGroup->setAccessibleName(QStringLiteral("Группа для заполнения"));
    m_fillType->setAccessibleName(QStringLiteral("Тип, марка для заполнения"));
    m_fillMaker->setAccessibleName(QStringLiteral("Завод-изготовитель для заполнения"));
    m_fillUnit->setAccessibleName(QStringLiteral("Ед.изм. для заполнения"));
    m_fillOn->setAccessibleName(m_fillOn->toolTip());
    connect(m_fillOn, &QCheckBox::toggled, this, &CatalogueEditor::showFillRow);
    showFillRow(false);
    return m_fillStrip;
}

QWidget *CatalogueEditor::buildBottom()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setFixedHeight(41);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(new QLabel(QStringLiteral("Группа:"), panel));
    m_groupFilter = new QComboBox(panel);
    m_groupFilter->setObjectName(QStringLiteral("ComboBox1"));
    m_groupFilter->setEditable(true);
    m_groupFilter->setInsertPolicy(QComboBox::NoInsert);
    m_groupFilter->setFixedWidth(344);
    m_groupFilter->setAccessibleName(QStringLiteral("Группа"));
    layout->addWidget(m_groupFilter);
    layout->addWidget(new QLabel(QStringLiteral("Имя блока:"), panel));
    m_blockName = new QLineEdit(panel);
    m_blockName->setObjectName(QStringLiteral("DBEdit1"));
    m_blockName->setFixedWidth(312);
    m_blockName->setAccessibleName(QStringLiteral("Имя блока"));
    layout->addWidget(m_blockName);
    auto *navigator =
        new RecordNavigator({RecordNavigator::First, RecordNavigator::Prior,
                             RecordNavigator::Insert, RecordNavigator::Delete,
                             RecordNavigator::Edit, RecordNavigator::Post, RecordNavigator::Cancel},
                            panel);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    navigator->setAccessibleName(QStringLiteral("Навигатор"));
    layout->addWidget(navigator);
    layout->addStretch(1);
    auto *importAction = new QAction(QStringLiteral("Импорт прайс-листа"), this);
    importAction->setObjectName(QStringLiteral("importPriceList"));
    connect(importAction, &QAction::triggered, this, &CatalogueEditor::importPriceList);
    auto *importButton = new QToolButton(panel);
    importButton->setObjectName(QStringLiteral("importPriceListButton"));
    importButton->setDefaultAction(importAction);
    importButton->setAccessibleName(importAction->text());
    layout->addWidget(importButton);
    auto *leave = new QPushButton(QStringLiteral("Выход"), panel);
    leave->setObjectName(QStringLiteral("Button1"));
    layout->addWidget(leave);

    connect(navigator, &RecordNavigator::pressed, m_grid, &RowsGrid::navigate);
    connect(leave, &QPushButton::clicked, this, &CatalogueEditor::leave);
    connect(m_groupFilter, &QComboBox::currentTextChanged, this, &CatalogueEditor::filterByGroup);
    connect(m_blockName, &QLineEdit::editingFinished, this, [this] {
        const int row = m_grid->currentIndex().row();
        if (row >= 0 && m_blockName->text() != m_goods->good(row).name)
            m_goods->setField(row, GoodsModel::Name, m_blockName->text());
    });
    return panel;
}

void CatalogueEditor::open()
{
    ErrorReport::guard([this] {
        const QStringList groups = GroupOrder::alphabetical(m_session);
        const QSignalBlocker blocker(m_groupFilter);
        m_groupFilter->clear();
        m_groupFilter->addItems({Session::kUndefinedGroupItem, Session::kAllGroupsItem});
        m_groupFilter->addItems(groups);
        m_groupFilter->setCurrentText(Session::kAllGroupsItem);
        const QString fillGroup = m_fillGroup->currentText();
        m_fillGroup->clear();
        m_fillGroup->addItems(groups);
        m_fillGroup->setCurrentText(fillGroup);
    });
    m_filter = Session::kAllGroupsItem;
    m_loaded = false;
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void CatalogueEditor::connectAndLoad()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // The catalogue stays connected while the window shows its goods.
    if (ErrorReport::guard([this] { m_held = m_session.goods().hold(); }))
        filterByGroup(m_groupFilter->currentText());
}

void CatalogueEditor::filterByGroup(const QString &group)
{
    m_filter = group;
    ErrorReport::guard([&] {
        GoodsCriteria criteria;
        if (group == Session::kUndefinedGroupItem || group.isEmpty())
            criteria.group = QString();
        else if (group != Session::kAllGroupsItem)
            criteria.group = group;
        m_goods->show(criteria);
    });
    if (m_goods->rowCount() > 0)
        m_grid->setCurrentIndex(m_goods->index(0, Caption));
}

void CatalogueEditor::stamp(int row)
{
    if (!m_fillOn->isChecked() || row < 0 || row >= m_goods->rowCount())
        return;
    if (row == m_goods->pendingRow())
        return;
    const FillRow fill{m_prefix->text(), m_fillGroup->currentText(), m_fillType->text(),
                       m_fillMaker->text(), m_fillUnit->currentText()};
    QString refusal;
    ErrorReport::guard([&] {
        try {
            m_goods->replace(row, fill.stamp(m_session.goods(), m_goods->stored(row)));
        } catch (const StaleWrite &stale) {
            refusal = stale.message();
        }
    });
    if (!refusal.isEmpty())
        offerReload(refusal);
}

void CatalogueEditor::offerReload(const QString &refusal)
{
    if (!m_prompts.confirm(refusal + QStringLiteral("\n\nЗагрузить список товаров заново? Вы "
                                                    "увидите товары такими, какие они в базе "
                                                    "сейчас, и сможете повторить изменение.")))
        return;
    const QModelIndex current = m_grid->currentIndex();
    const int scrolled = m_grid->verticalScrollBar()->value();
    m_grid->endEdit(false);
    ErrorReport::guard([&] {
        // The same good stays current where it is still listed, else the
        // row in its place, and the list stays scrolled as it was.
        const int row = m_goods->showAgain(m_goods->key(current.row()), current.row());
        m_grid->verticalScrollBar()->setValue(scrolled);
        if (row >= 0) {
            m_grid->setCurrentIndex(m_goods->index(row, qMax(0, current.column())));
            m_grid->scrollTo(m_grid->currentIndex());
        }
    });
}

void CatalogueEditor::importPriceList()
{
    const QString path = m_prompts.chooseFileOfKindToOpen(
        {QStringLiteral("Импорт прайс-листа"), PriceListFile::nameFilter(), QString()},
        m_session.lastFolder());
    if (path.isEmpty())
        return;
    auto *dialog = new PriceListDialog(m_session, m_prompts, path, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!dialog->load()) {
        dialog->close();
        return;
    }
    connect(dialog, &QDialog::accepted, this, [this] { filterByGroup(m_filter); });
    dialog->open();
}

void CatalogueEditor::showFillRow(bool shown)
{
    for (QWidget *control :
         {static_cast<QWidget *>(m_prefix), static_cast<QWidget *>(m_fillGroup),
          static_cast<QWidget *>(m_fillType), static_cast<QWidget *>(m_fillMaker),
          static_cast<QWidget *>(m_fillUnit)})
        control->setVisible(shown);
}

// The fill controls stand above the columns they fill.
void CatalogueEditor::placeFillRow()
{
    const QHeaderView *header = m_grid->horizontalHeader();
    const int offset = m_grid->frameWidth() + m_grid->verticalHeader()->width();
    const auto place = [&](QWidget *control, int column) {
        const int x = offset + header->sectionViewportPosition(column);
        control->setGeometry(x, 4, qMax(30, header->sectionSize(column)), 25);
    };
    place(m_prefix, Caption);
    place(m_fillGroup, Group);
    place(m_fillType, Type);
    place(m_fillMaker, Maker);
    place(m_fillUnit, Unit);
    m_fillOn->setGeometry(offset + header->sectionViewportPosition(Price) + 4, 4, 24, 25);
}

void CatalogueEditor::showCurrentGood()
{
    if (!m_blockName->hasFocus())
        m_blockName->setText(m_goods->good(m_grid->currentIndex().row()).name);
}

void CatalogueEditor::leave()
{
    m_grid->endEdit(true);
    m_goods->clear();
    m_held.reset();
    m_loaded = false;
    hide();
    emit left();
}

void CatalogueEditor::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        connectAndLoad();
}

void CatalogueEditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    connectAndLoad();
    placeFillRow();
}

void CatalogueEditor::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFillRow();
}

void CatalogueEditor::closeEvent(QCloseEvent *event)
{
    event->ignore();
    leave();
}
