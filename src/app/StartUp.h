#pragma once

#include "AppError.h"
#include "Recovery.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

class CadLink;
class Session;
class Settings;

inline constexpr char kCatalogueFileName[] = "dorvik-Vent.mdb";
inline constexpr char kTemplateFileName[] = "dorvik.dat";

// Where and when this copy of the program starts.
struct StartUpPlace {
    QString programFolder;
    // Takes the working database when the program folder cannot (an
    // installed program): the user's application data folder.
    QString fallbackFolder;
    // Command-line parameters after the program's own name.
    QStringList arguments;
    QDateTime moment;
};

// The start-up steps: keep the command-line file, make a running CAD program
// visible, point the session at the catalogue and at a fresh working database
// copied from the template. The working databases that copies which crashed
// left are deleted, except those with unsaved work: they come back in
// unsaved, for the user to be asked about, and stay for a later start when
// unsaved is null or this copy has no working database to take them.
// Nothing stops start-up; what is wrong with the catalogue or the template
// comes back to be reported, each naming its file. Without a working database
// the session's working database path stays empty.
QList<AppError> startUp(Session &session, const Settings &settings, CadLink &cad,
                        const StartUpPlace &place, QList<Recovery::Unsaved> *unsaved = nullptr);

// Leaving: closes the connections, deletes the working database and lets go
// of the CAD program.
void leave(Session &session, CadLink &cad);
