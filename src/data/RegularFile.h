#pragma once

#include <QString>

// Files the program reads whole must be plain files: a named pipe never ends
// and never answers, a device such as /dev/zero never ends, and a folder has
// no text to read. They are refused before anything opens them.
namespace RegularFile {

// Throws AppError naming path when it is not a regular file (symbolic links
// to one are followed). what names the file for the user ("Файл
// спецификации").
void require(const QString &path, const QString &what);

} // namespace RegularFile
