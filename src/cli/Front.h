#pragma once

#include <QString>
#include <QStringList>

class Console;

// The command line of kvintor-cli: "COMMAND [options] FILE...". Finds the
// command in the table, checks what it was given, prepares the workspace and
// runs it. Returns the exit status.
namespace Front {

int run(const QStringList &arguments, const QString &programFolder, Console &console);

} // namespace Front
