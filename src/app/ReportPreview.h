#pragma once

#include <QString>
#include <functional>

class QWidget;
class Report;

// Qt's print preview over a report: it shows the finished pages and prints
// them; its "Сохранить в PDF" button writes them to a file, proposed under
// pdfName. The same painter serves all three. Modal; returns when closed.
namespace ReportPreview {

// savePdf writes the report to the chosen file and shows its own errors.
void show(const Report &report, const QString &pdfName,
          const std::function<void(const QString &path)> &savePdf, QWidget *parent);

} // namespace ReportPreview
