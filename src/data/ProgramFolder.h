#pragma once

#include "AppError.h"

#include <QList>
#include <QString>

// The folder that plays the part of the program folder: where the catalogue
// "dorvik-Vent.mdb" and the template "dorvik.dat" lie and the working
// databases are made. In the build tree, and in a copy of the program that
// its user may write, it is the folder of the program itself. An installed
// program cannot write its own files, so it works on the user's copies of
// them in the user's application data folder.
namespace ProgramFolder {

// The user's application data folder of the program (the program's, also
// for kvintor-cli, whose own name differs): ~/.local/share/Kvintor/Kvintor,
// %LOCALAPPDATA%\Kvintor\Kvintor on Windows.
QString userFolder();

// The folder of the catalogue and template that come with the program whose
// executable is in executableFolder: beside it (the build tree, a copy kept
// in one folder), else in share/kvintor of the installation. The executable
// folder when neither holds them, so that what is missing is named there.
QString bundled(const QString &executableFolder);

// True when the program may work in folder: it takes new files and the
// catalogue in it (if there is one) opens for writing. A catalogue shipped
// read-only counts as not writable even for the administrator, so that no
// start ever changes the installed files.
bool isWritable(const QString &folder);

// The folder the program works in: the bundled folder when it is writable;
// else userFolder, into which the start copies whichever of the catalogue
// and the template it lacks, writable. Copies already there are the user's
// and are never replaced. A copy that fails is added to problems, naming
// the file and the reason, and the bundled folder serves as it is.
QString prepare(const QString &executableFolder, const QString &userFolder,
                QList<AppError> &problems);

// The folder prepare would give, copying nothing: userFolder when the
// bundled folder is not writable and userFolder holds both copies, else the
// bundled folder.
QString find(const QString &executableFolder, const QString &userFolder);

} // namespace ProgramFolder
