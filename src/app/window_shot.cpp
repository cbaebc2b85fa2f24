// Shows the main window as the program does, with both bars part-filled so that their colours can
// be seen, and saves a picture of the whole screen; scripts/screenshot runs it on a virtual
// display.
#include "ui/main_form.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(u"Korvath"_qs);
  QApplication::setApplicationDisplayName(u"Korvath"_qs);

  QCommandLineParser parser;
  parser.addHelpOption();
  const QCommandLineOption folder(u"dir"_qs, u"Program folder."_qs, u"DIR"_qs);
  const QCommandLineOption output(u"output"_qs, u"PNG file to write."_qs, u"FILE"_qs);
  parser.addOption(folder);
  parser.addOption(output);
  parser.process(application);
  if (!parser.isSet(folder) || !parser.isSet(output)) {
    std::fputs("Both --dir and --output are needed.\n", stderr);
    return EXIT_FAILURE;
  }

  korvath::MainFormOptions options;
  options.programFolder = QDir(parser.value(folder)).absolutePath();
  korvath::TMainForm form(options);
  form.show();
  if (form.StartupRefused()) {
    return EXIT_FAILURE;
  }
  const std::pair<const char*, int> bars[] = {{"ProgressBar", 3}, {"StagesProgressBar", 1}};
  for (const auto& [name, position] : bars) {
    auto* bar = form.findChild<QProgressBar*>(QString::fromLatin1(name));
    bar->setRange(0, 4);
    bar->setValue(position);
  }

  int status = EXIT_FAILURE;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form.windowHandle() == nullptr || !form.windowHandle()->isExposed()) {
      return;
    }
    poll.stop();
    // One more turn of the event loop lets the first paint reach the display.
    QTimer::singleShot(300, [&] {
      const QPixmap screen = form.screen()->grabWindow(0);
      if (screen.save(parser.value(output), "PNG")) {
        status = EXIT_SUCCESS;
      } else {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(output)));
      }
      // Leaves without closing the window, so the program folder is not written to.
      QApplication::exit(status);
    });
  });
  poll.start(50);
  QApplication::exec();
  return status;
}
