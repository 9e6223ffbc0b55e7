#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class Console;
class Workspace;

// Exit statuses that scripts rely on.
enum ExitStatus {
    Success = 0,
    Refused = 1,   // a file was refused or could not be written
    WrongUsage = 2 // the command line itself is wrong
};

// What the command line gives one command.
struct Invocation {
    QStringList files;
    QString output;                  // -o
    QStringList flags;               // such as --clean, each one the command knows
    QHash<QString, QString> options; // such as --stage РД
};

// One command of kvintor-cli. The front parses, checks and lists every
// command from this table alone, so a new command is one more entry. A name
// of two words ("catalogue import") is typed as two arguments.
struct Command {
    enum class Files { None, One, Two, Many };

    QString name;
    QString operands; // as the help shows them
    QString summary;
    Files files = Files::Many;
    bool needsOutput = false;
    QStringList flags; // the flags it takes, such as "--clean"
    ExitStatus (*run)(Workspace &workspace, const Invocation &invocation,
                      Console &console) = nullptr;
    QStringList options;          // the options with a value it takes, such as "--stage"
    bool writesCatalogue = false; // many goods at once ("update", "catalogue import")
    // A command that works on catalogues it names itself, without the
    // program's workspace; run is then unused.
    ExitStatus (*runAlone)(const Invocation &invocation, Console &console) = nullptr;
};

const QList<Command> &commands();
