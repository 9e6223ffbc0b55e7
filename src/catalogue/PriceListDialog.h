#pragma once

#include "PriceColumns.h"
#include "PriceListImport.h"

#include <QDialog>
#include <array>

class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class Session;

// "Импорт прайс-листа": a supplier's price list shown by its first rows,
// each field of a good with the column that gives it (guessed from the
// headers, or as last imported from a file of the same name pattern), the
// choice whether new names become goods, and the report of what the import
// would do, which the user confirms before the catalogue is written.
class PriceListDialog : public QDialog {
    Q_OBJECT

public:
    PriceListDialog(Session &session, Prompts &prompts, const QString &path,
                    QWidget *parent = nullptr);

    // Reads the file (the sheet chosen) and shows it; false, the error
    // shown, when it cannot be read.
    bool load();

    // Shows what the import would do, writing nothing.
    void check();
    // Shows the report, asks, and writes the goods; closes the dialog once
    // written. When someone else changed goods of the report since, nothing
    // is written, and the user is asked whether to read the file again.
    void importGoods();

    // The rows shown of a price list at most, below its headers.
    static constexpr int kShownRows = 50;

private:
    void readSheet(int sheet);
    // Reads the file again, the sheet and the columns chosen kept, and
    // shows the report of what the import would do now.
    void readAgain();
    void showTable();
    PriceColumns::Mapping mapping() const;
    PriceListImport::Plan plan();
    void showReport(const PriceListImport::Plan &plan);

    Session &m_session;
    Prompts &m_prompts;
    QString m_path;
    PriceListImport::Source m_source;

    QLabel *m_sheetLabel = nullptr;
    QComboBox *m_sheet = nullptr;
    QLabel *m_format = nullptr;
    QTableWidget *m_preview = nullptr;
    std::array<QComboBox *, PriceColumns::kFieldCount> m_columns{};
    QCheckBox *m_addNew = nullptr;
    QPlainTextEdit *m_report = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_check = nullptr;
    QPushButton *m_import = nullptr;
};
