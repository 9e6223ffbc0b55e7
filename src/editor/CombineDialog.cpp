#include "CombineDialog.h"

#include "DialogButtons.h"
#include "Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CombineDialog::CombineDialog(Prompts &prompts, QWidget *parent)
    : QDialog(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("Добавление/вычитание спецификаций."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    resize(558, 301);

    m_grid = new QTableWidget(0, 2, this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Файлы и коэффициенты"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Имя файла"), QStringLiteral("Кол-во")});
    m_grid->setColumnWidth(0, 410);
    m_grid->setColumnWidth(1, 75);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);

    const DialogButtons buttons(this, QStringLiteral("ОК"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons.row);

    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        if (std::optional<QList<Combine::Source>> sources = readRows()) {
            m_sources = *sources;
            accept();
        }
    });
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<QList<Combine::Source>> CombineDialog::ask(const QStringList &files)
{
    m_grid->setRowCount(0);
    m_sources.clear();
    m_folder = files.isEmpty() ? QString() : QFileInfo(files.first()).absolutePath();
    for (const QString &file : files) {
        const QString name = QFileInfo(file).fileName();
        const int row = m_grid->rowCount();
        m_grid->insertRow(row);
        m_grid->setItem(row, 0, new QTableWidgetItem(name));
        m_grid->setItem(row, 1, new QTableWidgetItem(Combine::proposedCoefficient(name)));
    }
    m_grid->setCurrentCell(0, 1);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_sources;
}

std::optional<QList<Combine::Source>> CombineDialog::readRows()
{
    QList<Combine::Source> sources;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const QTableWidgetItem *name = m_grid->item(row, 0);
        const QTableWidgetItem *count = m_grid->item(row, 1);
        const QString text = count ? count->text() : QString();
        const std::optional<QString> fault = Combine::coefficientFault(text);
        if (fault) {
            m_prompts.notify(
                QStringLiteral("В строке %1 коэффициент «%2» %3.").arg(row + 1).arg(text, *fault));
            m_grid->setCurrentCell(row, 1);
            return std::nullopt;
        }
        sources.append({QDir(m_folder).filePath(name ? name->text() : QString()),
                        *Combine::coefficient(text)});
    }
    return sources;
}
