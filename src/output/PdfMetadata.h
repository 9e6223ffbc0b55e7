#pragma once

#include "Report.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The document information of a PDF/A file, told twice as the standard
// wants it told: in the XMP metadata and, alike, in the information
// dictionary. Qt's PDF writer takes the XMP whole but fills the dictionary
// with the title and the creator only, so the dictionary is written again
// once the file is made.
namespace PdfMetadata {

struct Fields {
    DocumentInfo info;
    QString creator;  // the program
    QString producer; // the PDF library
    QDateTime created;
};

// The XMP packet of a PDF/A-1b file.
QByteArray xmp(const Fields &fields);

// Puts an information dictionary with fields in place of the one of pdf, a
// whole PDF file with one cross-reference table as Qt writes it, and moves
// the table's offsets to match. Throws AppError if pdf has another form.
void rewriteInfo(QByteArray &pdf, const Fields &fields);

} // namespace PdfMetadata
