#pragma once

#include <QDate>
#include <QString>

// What the program says of itself: in "О программе" and to "--version".
namespace BuildInfo {

// The project's version, "0.1".
QString version();

// The day the program was built.
QDate buildDate();

// The answer to "--version": "kvintor 0.1 (сборка 12.03.2026)".
QString versionLine(const QString &program);

// The SQLite library the program runs with, which may be newer than the one
// it was built with.
QString sqliteVersion();

} // namespace BuildInfo
