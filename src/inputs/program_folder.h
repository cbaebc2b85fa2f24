#pragma once

#include <QString>

namespace korvath {

// What decides where the program keeps its files.
struct ProgramFolderPlaces {
  // The folder the user named on the command line; empty when none was named.
  QString requested;
  // The folder of the running executable.
  QString executableFolder;
  // The user's own folder for the program's files, used when the program is installed.
  QString userFolder;
};

// The program folder: the requested one when there is one; the executable's folder for a portable
// copy of the program, which keeps its files beside itself; and for an installed program (its
// catalogue in ../share/korvath/ beside the executable's folder, or an executable folder it cannot
// write) the user's folder, created when missing and given a copy of the installed catalogue when
// it has none. Throws std::runtime_error when the user's folder cannot be made ready.
QString ChooseProgramFolder(const ProgramFolderPlaces& places);

// The places of this process: its executable's folder and the user's data folder for Korvath.
// Needs a QCoreApplication.
ProgramFolderPlaces ProgramFolderPlacesOfThisProgram(const QString& requested);

}  // namespace korvath
