#include "inputs/program_folder.h"

#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace korvath {
namespace {

const QString kCatalogueName = u"regions.html"_qs;

// Where an installed program's catalogue lies, relative to the executable's folder.
QString InstalledCatalogue(const QString& executableFolder) {
  return QDir(executableFolder).filePath(u"../share/korvath/"_qs + kCatalogueName);
}

// The catalogue that came with the program, or an empty path when there is none to copy.
QString SuppliedCatalogue(const QString& executableFolder) {
  for (const QString& path :
       {InstalledCatalogue(executableFolder), QDir(executableFolder).filePath(kCatalogueName)}) {
    if (QFileInfo(path).isFile()) return QDir::cleanPath(path);
  }
  return {};
}

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

void PrepareUserFolder(const QString& userFolder, const QString& executableFolder) {
  if (!QDir().mkpath(userFolder)) {
    Fail(u"Cannot create folder \"%1\""_qs.arg(userFolder));
  }
  const QString catalogue = QDir(userFolder).filePath(kCatalogueName);
  // A catalogue already there may be one the user has changed: it stays.
  if (QFileInfo::exists(catalogue)) return;
  const QString supplied = SuppliedCatalogue(executableFolder);
  if (supplied.isEmpty()) return;
  QFile source(supplied);
  if (!source.copy(catalogue)) {
    Fail(
        u"Cannot copy file \"%1\" to \"%2\". %3"_qs.arg(supplied, catalogue, source.errorString()));
  }
}

}  // namespace

QString ChooseProgramFolder(const ProgramFolderPlaces& places) {
  if (!places.requested.isEmpty()) return QDir(places.requested).absolutePath();
  const QString executableFolder = QDir(places.executableFolder).absolutePath();
  const bool installed = QFileInfo(InstalledCatalogue(executableFolder)).isFile() ||
                         !FolderTakesNewFiles(executableFolder);
  if (!installed) return executableFolder;
  if (places.userFolder.isEmpty()) {
    Fail(u"Cannot find the user's data folder for the program's files"_qs);
  }
  const QString userFolder = QDir(places.userFolder).absolutePath();
  PrepareUserFolder(userFolder, executableFolder);
  return userFolder;
}

ProgramFolderPlaces ProgramFolderPlacesOfThisProgram(const QString& requested) {
  ProgramFolderPlaces places;
  places.requested = requested;
  places.executableFolder = QCoreApplication::applicationDirPath();
  places.userFolder = UserDataFolder();
  return places;
}

}  // namespace korvath
