#pragma once

#include <QString>

namespace korvath {

// The folder where a copy of the program that cannot keep its files beside itself keeps them:
// "korvath" in the user's data folder on Linux, %LOCALAPPDATA%\Korvath on Windows. Empty when
// the system does not say where the user's data goes.
QString UserDataFolder();

// Whether the program may create files in `folder`: the folder is asked by making a file there,
// as Windows says nothing reliable about a folder's rights (Program Files looks writable).
bool FolderTakesNewFiles(const QString& folder);

}  // namespace korvath
