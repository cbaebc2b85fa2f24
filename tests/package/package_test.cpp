#include "e2e/e2e_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Far above what any step here needs; only a hung program ever reaches it.
constexpr int kHangMs = 300'000;

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

Outcome RunProgram(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    const QString& folder = {}) {
  QProcess process;
  process.setProcessEnvironment(environment);
  if (!folder.isEmpty()) process.setWorkingDirectory(folder);
  process.start(program, arguments);
  Outcome outcome;
  if (!process.waitForFinished(kHangMs)) {
    process.kill();
    process.waitForFinished();
    outcome.err = program + u" did not end: "_qs + process.errorString();
    return outcome;
  }
  outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  outcome.out = QString::fromUtf8(process.readAllStandardOutput());
  outcome.err += QString::fromUtf8(process.readAllStandardError());
  return outcome;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Width and height from a PNG file's header chunk, or an invalid size for anything else.
QSize PngSize(const QByteArray& bytes) {
  if (bytes.size() < 24 || !bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.mid(12, 4) != "IHDR") {
    return {};
  }
  const auto bigEndian = [&](int at) {
    int value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  return {bigEndian(16), bigEndian(20)};
}

// The package of this build tree, made and unpacked into a temporary root. Each test makes its
// own, as every test case runs in a process of its own.
class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo(QStringLiteral(KORVATH_CPACK_COMMAND)).isExecutable()) {
      GTEST_SKIP() << "cpack is not installed";
    }
    dpkgDeb_ = QStandardPaths::findExecutable(u"dpkg-deb"_qs);
    if (dpkgDeb_.isEmpty()) GTEST_SKIP() << "dpkg-deb is not installed";
    ASSERT_TRUE(work_.isValid());
    const Outcome pack = RunProgram(QStringLiteral(KORVATH_CPACK_COMMAND),
                                    {u"--config"_qs, QStringLiteral(KORVATH_CPACK_CONFIG), u"-G"_qs,
                                     u"DEB"_qs, u"-B"_qs, work_.path()});
    const QStringList packages = QDir(work_.path()).entryList({u"korvath_*.deb"_qs}, QDir::Files);
    ASSERT_EQ(pack.exitCode, 0) << (pack.out + pack.err).toStdString();
    ASSERT_EQ(packages.size(), 1);
    package_ = QDir(work_.path()).filePath(packages[0]);
    const Outcome unpack = RunProgram(dpkgDeb_, {u"-x"_qs, package_, Root({})});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err.toStdString();
  }

  // A path inside the unpacked package.
  QString Root(const QString& path) const {
    return QDir(work_.path()).filePath(u"root/"_qs + path);
  }

  QTemporaryDir work_;
  QString dpkgDeb_;
  QString package_;
};

TEST_F(Package, HoldsEachFileWhereTheSystemLooksForIt) {
  struct Entry {
    QString path;
    bool program;
  };
  QList<Entry> entries = {
      {u"usr/bin/korvath-cli"_qs, true},
      {u"usr/bin/korvath-demo-engine"_qs, true},
      {u"usr/share/korvath/regions.html"_qs, false},
      {u"usr/share/icons/hicolor/scalable/apps/korvath.svg"_qs, false},
      {u"usr/share/man/man1/korvath-cli.1.gz"_qs, false},
      {u"usr/share/doc/korvath/copyright"_qs, false},
      {u"usr/share/doc/korvath/changelog.gz"_qs, false},
  };
  QStringList needed = {u"libqt6core6"_qs, u"libqt6network6"_qs, u"libssl3"_qs};
  if (KORVATH_WITH_WINDOW) {
    entries +=
        {{u"usr/bin/korvath"_qs, true}, {u"usr/share/applications/korvath.desktop"_qs, false}};
    needed += {u"libqt6widgets6"_qs, u"qt6-qpa-plugins"_qs};
  }
  for (const Entry& entry : entries) {
    const QFileInfo file(Root(entry.path));
    EXPECT_TRUE(file.isFile()) << entry.path.toStdString();
    EXPECT_EQ(file.isExecutable(), entry.program) << entry.path.toStdString();
  }
  EXPECT_EQ(ReadBytes(Root(u"usr/share/korvath/regions.html"_qs)),
            ReadBytes(QStringLiteral(KORVATH_SOURCE_CATALOGUE)));
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString icon = u"usr/share/icons/hicolor/%1x%1/apps/korvath.png"_qs.arg(size);
    EXPECT_EQ(PngSize(ReadBytes(Root(icon))), QSize(size, size)) << icon.toStdString();
  }
  // The stripped programs still run, and the package names the libraries they load.
  const Outcome help = RunProgram(Root(u"usr/bin/korvath-demo-engine"_qs), {u"--help"_qs});
  EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
  const Outcome depends = RunProgram(dpkgDeb_, {u"--field"_qs, package_, u"Depends"_qs});
  for (const QString& package : needed) {
    EXPECT_TRUE(depends.out.contains(package)) << depends.out.toStdString();
  }

  if (!KORVATH_WITH_WINDOW) return;
  const QString entry = Root(u"usr/share/applications/korvath.desktop"_qs);
  const QString text = QString::fromUtf8(ReadBytes(entry));
  EXPECT_TRUE(text.contains(u"\nExec=korvath\n"_qs)) << text.toStdString();
  EXPECT_TRUE(text.contains(u"\nIcon=korvath\n"_qs)) << text.toStdString();
  const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_qs);
  if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
  const Outcome check = RunProgram(validator, {entry});
  EXPECT_EQ(check.exitCode, 0);
  // Warnings and hints too: the entry is to be clean.
  EXPECT_EQ(check.out + check.err, QString());
}

TEST_F(Package, InstalledCliKeepsTheUsersFilesInTheirDataFolder) {
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"3"_qs});
  QTemporaryDir home;
  QTemporaryDir working;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(u"HOME"_qs, home.path());
  environment.remove(u"XDG_DATA_HOME"_qs);
  const QString cli = Root(u"usr/bin/korvath-cli"_qs);
  const QStringList arguments = {u"run"_qs, u"--origin"_qs, engine.Origin(), u"--interval"_qs,
                                 u"0"_qs};
  const QString folder = QDir(home.path()).filePath(u".local/share/korvath"_qs);

  // The first start makes the user's folder and gives it the catalogue; the queries are the
  // user's to write, and the run says where.
  const Outcome first = RunProgram(cli, arguments, environment, working.path());
  EXPECT_EQ(first.exitCode, 2) << first.err.toStdString();
  EXPECT_TRUE(first.out.startsWith(u"Program folder: "_qs + folder + u'\n'))
      << first.out.toStdString();
  EXPECT_EQ(ReadBytes(QDir(folder).filePath(u"regions.html"_qs)),
            ReadBytes(Root(u"usr/share/korvath/regions.html"_qs)));

  WriteUserLines(QDir(folder).filePath(u"keywords.txt"_qs), {u"окна"_qs});
  WriteUserLines(QDir(folder).filePath(u"selection1.txt"_qs), {u"Москва (213)"_qs});
  const Outcome second = RunProgram(cli, arguments, environment, working.path());
  ASSERT_EQ(second.exitCode, 0) << second.err.toStdString() << second.out.toStdString();
  const QStringList results = QDir(folder).entryList({u"results-*.csv"_qs}, QDir::Files);
  ASSERT_EQ(results.size(), 1);
  const QList<QStringList> rows = ReadCsv(QDir(folder).filePath(results[0]));
  ASSERT_EQ(rows.size(), 1 + 3);
  EXPECT_EQ(rows[1].value(0), u"Москва"_qs);
  EXPECT_EQ(QDir(folder).entryList({u"log-*.txt"_qs}, QDir::Files).size(), 1);
  // Nothing lands beside the installed programs.
  EXPECT_EQ(QDir(Root(u"usr/bin"_qs)).entryList(QDir::Files).size(), KORVATH_WITH_WINDOW ? 3 : 2);
}

}  // namespace
}  // namespace korvath::e2e
