#pragma once

#include <QString>

// Hands a file to the desktop's program for its type (LibreOffice Calc or
// Excel for a workbook).
namespace DesktopOpen {

// True when a program took the file; false when the desktop has none for its
// type, so that the caller can say where the file is.
bool open(const QString &path);

} // namespace DesktopOpen
