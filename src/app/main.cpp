#include "inputs/program_folder.h"
#include "ui/main_form.h"
#include "ui/message_box.h"
#include "ui/qt_translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(u"Korvath"_qs);
  QApplication::setApplicationDisplayName(u"Korvath"_qs);
  // The installed menu entry and icon, so that the desktop shows the window under them.
  QApplication::setDesktopFileName(u"korvath"_qs);
  QApplication::setWindowIcon(QIcon::fromTheme(u"korvath"_qs));
  korvath::LoadQtTranslations(application);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      u"Collects advertisers' contacts from the search engine's ad result pages."_qs);
  parser.addHelpOption();
  const QCommandLineOption origin(
      u"origin"_qs,
      u"Scheme and host of the search engine (default %1)."_qs.arg(korvath::kDefaultEngineOrigin),
      u"URL"_qs);
  const QCommandLineOption folder(
      u"dir"_qs,
      u"Program folder with the catalogue and the saved inputs (default: beside the program, "
      u"or the user's data folder when the program is installed)."_qs,
      u"DIR"_qs);
  parser.addOption(origin);
  parser.addOption(folder);
  parser.process(application);

  korvath::MainFormOptions options;
  try {
    options.programFolder = korvath::ChooseProgramFolder(korvath::ProgramFolderPlacesOfThisProgram(
        parser.isSet(folder) ? parser.value(folder) : QString()));
  } catch (const std::runtime_error& error) {
    korvath::ShowMessage(nullptr, u"Korvath"_qs, QString::fromUtf8(error.what()));
    return EXIT_FAILURE;
  }
  if (parser.isSet(origin)) {
    options.engineOrigin = parser.value(origin);
  }

  korvath::TMainForm MainForm(options);
  MainForm.show();
  if (MainForm.StartupRefused()) {
    return EXIT_FAILURE;
  }
  const int status = QApplication::exec();
  if (MainForm.JobCutOffAtClose()) {
    // A job cut off by closing the window may still be inside a request; nothing of it is to be
    // kept, so the program ends without waiting for it or taking apart the window and the
    // libraries that its thread may still be using.
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}
