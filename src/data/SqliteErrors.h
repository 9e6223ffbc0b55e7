#pragma once

#include <QString>

class QSqlError;

// What the database engine says went wrong, said in Russian: the user reads
// "база данных открыта только для чтения", never "attempt to write a readonly
// database". A reason the program does not know keeps the engine's words
// beside a Russian one.
namespace SqliteErrors {

// The reason for an engine result code (primary or extended) with the
// engine's own text for it.
QString reason(int code, const QString &engineText);

// The reason for an error that Qt SQL reports from the engine.
QString reason(const QSqlError &error);

} // namespace SqliteErrors
