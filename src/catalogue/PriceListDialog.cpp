#include "PriceListDialog.h"

#include "AppError.h"
#include "DialogButtons.h"
#include "ErrorReport.h"
#include "PriceListFile.h"
#include "PriceListImport.h"
#include "ProgressDisplay.h"
#include "Prompts.h"
#include "Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The skipped rows the confirmation names; the rest are in the dialog.
constexpr int kSkippedInQuestion = 10;

// The hourglass while the file is read or the catalogue asked, put back
// also when the work fails.
auto waitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return qScopeGuard([] { QApplication::restoreOverrideCursor(); });
}

QString columnTitle(const QStringList &headers, int column)
{
    const QString header = headers.value(column).trimmed();
    return header.isEmpty() ? QString::number(column + 1)
                            : QStringLiteral("%1. %2").arg(QString::number(column + 1), header);
}

} // namespace

PriceListDialog::PriceListDialog(Session &session, Prompts &prompts, const QString &path,
                                 QWidget *parent)
    : QDialog(parent), m_session(session), m_prompts(prompts), m_path(path)
{
    setObjectName(QStringLiteral("PriceListDialog"));
    setWindowTitle(QStringLiteral("Импорт прайс-листа"));
    auto *layout = new QVBoxLayout(this);

    auto *fileRow = new QHBoxLayout;
    auto *file = new QLabel(QStringLiteral("Файл: ") + QFileInfo(path).fileName(), this);
    file->setObjectName(QStringLiteral("priceListFile"));
    file->setToolTip(QFileInfo(path).absoluteFilePath());
    fileRow->addWidget(file, 1);
    m_sheetLabel = new QLabel(QStringLiteral("Лист:"), this);
    m_sheet = new QComboBox(this);
    m_sheet->setObjectName(QStringLiteral("priceListSheet"));
    m_sheet->setAccessibleName(QStringLiteral("Лист книги"));
    m_sheetLabel->setBuddy(m_sheet);
    fileRow->addWidget(m_sheetLabel);
    fileRow->addWidget(m_sheet);
    layout->addLayout(fileRow);
    m_format = new QLabel(this);
    m_format->setObjectName(QStringLiteral("priceListFormat"));
    layout->addWidget(m_format);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("priceListPreview"));
    m_preview->setAccessibleName(QStringLiteral("Первые строки прайс-листа"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setMinimumHeight(200);
    layout->addWidget(m_preview, 2);

    auto *fields = new QGroupBox(QStringLiteral("Столбцы прайс-листа"), this);
    auto *grid = new QGridLayout(fields);
    constexpr int kFieldsPerRow = 3;
    for (int field = 0; field < PriceColumns::kFieldCount; ++field) {
        const QString title = PriceColumns::title(PriceColumns::Field(field));
        auto *label = new QLabel(title + u':', fields);
        auto *combo = new QComboBox(fields);
        combo->setObjectName(QStringLiteral("column_") +
                             PriceColumns::key(PriceColumns::Field(field)));
        combo->setAccessibleName(QStringLiteral("Столбец поля «%1»").arg(title));
        combo->setMinimumContentsLength(18);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        label->setBuddy(combo);
        grid->addWidget(label, field / kFieldsPerRow, 2 * (field % kFieldsPerRow));
        grid->addWidget(combo, field / kFieldsPerRow, 2 * (field % kFieldsPerRow) + 1);
        m_columns[field] = combo;
    }
    layout->addWidget(fields);

    m_addNew = new QCheckBox(QStringLiteral("Добавлять новые товары (имена, которых нет в "
                                            "базе товара)"),
                             this);
    m_addNew->setObjectName(QStringLiteral("addNewGoods"));
    m_addNew->setAccessibleName(QStringLiteral("Добавлять новые товары"));
    m_addNew->setChecked(true);
    layout->addWidget(m_addNew);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("priceListReport"));
    m_report->setAccessibleName(QStringLiteral("Отчёт об импорте"));
    m_report->setReadOnly(true);
    m_report->setPlaceholderText(
        QStringLiteral("«Проверить» покажет, что обновится, что добавится и какие строки "
                       "будут пропущены и почему."));
    layout->addWidget(m_report, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("priceListProgress"));
    m_progress->setAccessibleName(QStringLiteral("Ход импорта"));
    m_progress->setTextVisible(false);
    m_progress->setValue(0);
    followProgress(m_progress, session);
    layout->addWidget(m_progress);

    DialogButtons buttons(this, QStringLiteral("Импорт"));
    m_import = buttons.ok;
    m_check = new QPushButton(QStringLiteral("Проверить"), this);
    m_check->setObjectName(QStringLiteral("checkButton"));
    buttons.row->insertWidget(0, m_check);
    layout->addLayout(buttons.row);

    connect(m_check, &QPushButton::clicked, this, &PriceListDialog::check);
    connect(m_import, &QPushButton::clicked, this, &PriceListDialog::importGoods);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int sheet) {
        if (sheet >= 0)
            ErrorReport::guard([&] { readSheet(sheet); });
    });
    // A report of another mapping would mislead.
    for (QComboBox *combo : m_columns)
        connect(combo, &QComboBox::currentIndexChanged, m_report, &QPlainTextEdit::clear);
    connect(m_addNew, &QCheckBox::toggled, m_report, &QPlainTextEdit::clear);
    resize(900, 640);
}

bool PriceListDialog::load()
{
    return ErrorReport::guard([this] {
        const auto cursor = waitCursor();
        const QStringList sheets = PriceListFile::sheetNames(m_path);
        {
            const QSignalBlocker quiet(m_sheet);
            m_sheet->clear();
            m_sheet->addItems(sheets);
        }
        // A CSV file has no sheets to choose from.
        m_sheet->setVisible(!sheets.isEmpty());
        m_sheetLabel->setVisible(!sheets.isEmpty());
        readSheet(0);
    });
}

void PriceListDialog::readSheet(int sheet)
{
    const auto cursor = waitCursor();
    m_source = PriceListImport::read(m_path, sheet);
    m_format->setText(QStringLiteral("%1, заголовки в строке %2")
                          .arg(m_source.table.format,
                               QString::number(m_source.table.rows[m_source.headerRow].line)));
    showTable();
    for (int field = 0; field < PriceColumns::kFieldCount; ++field) {
        QComboBox *combo = m_columns[field];
        combo->clear();
        combo->addItem(QStringLiteral("—"), -1);
        for (int column = 0; column < m_source.headers.size(); ++column)
            combo->addItem(columnTitle(m_source.headers, column), column);
        combo->setCurrentIndex(combo->findData(m_source.mapping.columns[field]));
    }
    m_report->clear();
}

void PriceListDialog::showTable()
{
    const QList<PriceRow> &rows = m_source.table.rows;
    const qsizetype first = m_source.headerRow + 1;
    const qsizetype shown = qMin<qsizetype>(kShownRows, rows.size() - first);
    int columns = int(m_source.headers.size());
    for (qsizetype i = 0; i < shown; ++i)
        columns = qMax(columns, int(rows[first + i].cells.size()));
    m_preview->clear();
    m_preview->setColumnCount(columns);
    m_preview->setRowCount(int(shown));
    QStringList titles;
    for (int column = 0; column < columns; ++column)
        titles << columnTitle(m_source.headers, column);
    m_preview->setHorizontalHeaderLabels(titles);
    QStringList lines;
    for (qsizetype i = 0; i < shown; ++i) {
        const PriceRow &row = rows[first + i];
        lines << QString::number(row.line);
        for (int column = 0; column < row.cells.size(); ++column)
            m_preview->setItem(int(i), column, new QTableWidgetItem(row.cells[column]));
    }
    // The rows by their lines in the file, as the report names them.
    m_preview->setVerticalHeaderLabels(lines);
    m_preview->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_preview->resizeColumnsToContents();
    for (int column = 0; column < columns; ++column)
        m_preview->setColumnWidth(column, qMin(m_preview->columnWidth(column), 260));
}

void PriceListDialog::readAgain()
{
    const PriceColumns::Mapping chosen = mapping();
    const QStringList headers = m_source.headers;
    readSheet(qMax(0, m_sheet->currentIndex()));
    // The columns the user chose stay while the file has the same headers.
    if (m_source.headers == headers)
        for (int field = 0; field < PriceColumns::kFieldCount; ++field)
            m_columns[field]->setCurrentIndex(m_columns[field]->findData(chosen.columns[field]));
    showReport(plan());
}

PriceColumns::Mapping PriceListDialog::mapping() const
{
    PriceColumns::Mapping mapping;
    for (int field = 0; field < PriceColumns::kFieldCount; ++field)
        mapping.columns[field] = m_columns[field]->currentData().toInt();
    return mapping;
}

PriceListImport::Plan PriceListDialog::plan()
{
    const auto cursor = waitCursor();
    return PriceListImport::plan(m_source, mapping(), m_addNew->isChecked(), m_session.goods());
}

void PriceListDialog::showReport(const PriceListImport::Plan &plan)
{
    QStringList lines{m_format->text(),
                      QStringLiteral("Столбцы: ") +
                          PriceColumns::describe(mapping(), m_source.headers),
                      PriceListImport::summary(plan)};
    const QStringList skipped = PriceListImport::skippedLines(plan);
    if (!skipped.isEmpty())
        lines << QStringLiteral("Пропущенные строки:") << skipped;
    m_report->setPlainText(lines.join(u'\n'));
}

void PriceListDialog::check()
{
    ErrorReport::guard([this] { showReport(plan()); });
}

void PriceListDialog::importGoods()
{
    ErrorReport::guard([this] {
        const PriceListImport::Plan plan = this->plan();
        showReport(plan);
        const QString summary = PriceListImport::summary(plan);
        if (plan.goods.isEmpty()) {
            m_prompts.notify(QStringLiteral("Записывать в базу товара нечего: %1.").arg(summary));
            return;
        }
        const QStringList skipped = PriceListImport::skippedLines(plan);
        QString question =
            QStringLiteral("Прайс-лист «%1»: %2.").arg(QFileInfo(m_path).fileName(), summary);
        if (!skipped.isEmpty()) {
            question += QStringLiteral("\n\nПропущенные строки:\n") +
                        skipped.mid(0, kSkippedInQuestion).join(u'\n');
            if (skipped.size() > kSkippedInQuestion)
                question += QStringLiteral("\n… и ещё %1 (все — в окне импорта)")
                                .arg(skipped.size() - kSkippedInQuestion);
        }
        question += QStringLiteral("\n\nЗаписать в базу товара?");
        if (!m_prompts.confirm(question))
            return;
        GoodsWritten written;
        try {
            const auto cursor = waitCursor();
            const auto idle =
                qScopeGuard([&] { m_session.reportProgress(0, int(plan.goods.size())); });
            written = PriceListImport::write(plan, m_session.goods(), [this](int done, int total) {
                m_session.reportProgress(done, total);
            });
        } catch (const StaleWrite &refusal) {
            // The report no longer tells what the import would do.
            m_report->clear();
            if (m_prompts.confirm(refusal.message() +
                                  QStringLiteral("\n\nПрочитать прайс-лист заново и проверить, "
                                                 "что импорт сделает теперь?")))
                readAgain();
            return;
        }
        PriceListImport::remember(m_source, mapping());
        m_prompts.notify(PriceListImport::writtenText(written));
        accept();
    });
}
