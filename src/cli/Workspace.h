#pragma once

#include "Session.h"

#include <QString>
#include <QTemporaryDir>

// What the program has after start-up, without its windows: a session on
// the catalogue and the group order, and a working database of its own in a
// temporary folder, so that running kvintor-cli beside the program touches
// neither the program folder nor the user's settings.
class Workspace {
public:
    // The catalogue is catalogueFile, or where the program looks for it (the
    // folder of the setting `path`, else the program folder). Throws AppError
    // naming the catalogue or the template when either cannot be used.
    // mapCatalogue: read the catalogue through a memory map, which a command
    // that writes many goods into it needs for its speed; the others read it
    // through the engine's cache, whose pages do not stay in the process.
    Workspace(const QString &programFolder, const QString &catalogueFile, bool mapCatalogue);
    // Lets go of the working database and its lock, as leaving the program does.
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    Session &session() { return m_session; }

    // Reads path as the program opens a specification: the whole file is
    // checked, then its positions are completed from the catalogue. Returns
    // the number of positions; throws AppError naming the file and line.
    int open(const QString &path);

private:
    // Declared first: the session's connections close before the folder goes.
    QTemporaryDir m_folder;
    Session m_session;
};
