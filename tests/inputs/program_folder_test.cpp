#include "inputs/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace korvath {
namespace {

// A temporary tree with a portable copy of the program, an installed one and a user's home.
class ProgramFolderTree {
 public:
  ProgramFolderTree() {
    if (!root_.isValid()) throw std::runtime_error("cannot make a temporary folder");
    Write(u"portable/regions.html"_qs, "portable catalogue");
    Write(u"usr/share/korvath/regions.html"_qs, "installed catalogue");
    QDir(root_.path()).mkpath(u"usr/bin"_qs);
    QDir(root_.path()).mkpath(u"chosen"_qs);
  }

  QString Path(const QString& relative) const { return QDir(root_.path()).filePath(relative); }

  void Write(const QString& relative, const QByteArray& bytes) const {
    QDir(root_.path()).mkpath(QFileInfo(relative).path());
    QFile file(Path(relative));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
      throw std::runtime_error("cannot write " + relative.toStdString());
    }
  }

  QByteArray Read(const QString& relative) const {
    QFile file(Path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  ProgramFolderPlaces Places(const QString& executable, const QString& requested = {}) const {
    return {requested.isEmpty() ? QString() : Path(requested), Path(executable),
            Path(u"home/.local/share/korvath"_qs)};
  }

 private:
  QTemporaryDir root_;
};

const QString kUserFolder = u"home/.local/share/korvath"_qs;

TEST(ProgramFolder, FollowsTheLayoutUnlessAFolderIsRequested) {
  const struct {
    const char* name;
    QString executable;
    QString requested;
    QString chosen;
  } cases[] = {
      {"portable folder", u"portable"_qs, {}, u"portable"_qs},
      {"portable folder, --dir", u"portable"_qs, u"chosen"_qs, u"chosen"_qs},
      {"installed by its share folder", u"usr/bin"_qs, {}, kUserFolder},
      {"installed, --dir", u"usr/bin"_qs, u"chosen"_qs, u"chosen"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramFolderTree tree;
    EXPECT_EQ(ChooseProgramFolder(tree.Places(c.executable, c.requested)), tree.Path(c.chosen));
    // The user's folder is made only when it is the one used, and then has the catalogue.
    const bool user = c.chosen == kUserFolder;
    EXPECT_EQ(QFileInfo(tree.Path(kUserFolder)).isDir(), user);
    if (user) {
      EXPECT_EQ(tree.Read(kUserFolder + u"/regions.html"_qs), "installed catalogue");
    }
  }
}

TEST(ProgramFolder, UnwritableExecutableFolderMeansInstalled) {
  const ProgramFolderTree tree;
  const QString executable = tree.Path(u"portable"_qs);
  QFile::setPermissions(executable, QFile::ReadOwner | QFile::ExeOwner);
  const auto writable = qScopeGuard([&] {
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  });
  if (QFileInfo(executable).isWritable()) {
    GTEST_SKIP() << "this user may write to a read-only folder (root)";
  }
  EXPECT_EQ(ChooseProgramFolder(tree.Places(u"portable"_qs)), tree.Path(kUserFolder));
  // The catalogue beside the executable is the one that came with it.
  EXPECT_EQ(tree.Read(kUserFolder + u"/regions.html"_qs), "portable catalogue");
}

TEST(ProgramFolder, UserFolderKeepsTheCatalogueItHas) {
  const ProgramFolderTree tree;
  tree.Write(kUserFolder + u"/regions.html"_qs, "the user's catalogue");
  EXPECT_EQ(ChooseProgramFolder(tree.Places(u"usr/bin"_qs)), tree.Path(kUserFolder));
  EXPECT_EQ(tree.Read(kUserFolder + u"/regions.html"_qs), "the user's catalogue");
}

TEST(ProgramFolder, UserFolderThatCannotBeMadeIsAnError) {
  const ProgramFolderTree tree;
  tree.Write(u"home/.local/share"_qs, "a file where the folder should be");
  try {
    ChooseProgramFolder(tree.Places(u"usr/bin"_qs));
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(QString::fromUtf8(error.what()).contains(tree.Path(kUserFolder))) << error.what();
  }
}

}  // namespace
}  // namespace korvath
