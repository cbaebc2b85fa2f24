// Shows the main window as the program does and saves a picture of the whole screen;
// scripts/screenshot runs it on a virtual display. Without --state the bars are part-filled so
// that their colours can be seen; with it, a job runs against --origin and the picture shows it
// running, paused or stopped.
#include "ui/main_form.h"
#include "ui/qt_translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QProgressBar>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace {

void FillBars(korvath::TMainForm& form) {
  const std::pair<const char*, int> bars[] = {{"ProgressBar", 3}, {"StagesProgressBar", 1}};
  for (const auto& [name, position] : bars) {
    auto* bar = form.findChild<QProgressBar*>(QString::fromLatin1(name));
    bar->setRange(0, 4);
    bar->setValue(position);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(u"Korvath"_qs);
  QApplication::setApplicationDisplayName(u"Korvath"_qs);
  korvath::LoadQtTranslations(application);

  QCommandLineParser parser;
  parser.addHelpOption();
  const QCommandLineOption folder(u"dir"_qs, u"Program folder."_qs, u"DIR"_qs);
  const QCommandLineOption output(u"output"_qs, u"PNG file to write."_qs, u"FILE"_qs);
  const QCommandLineOption origin(u"origin"_qs, u"Search engine for the job."_qs, u"URL"_qs);
  const QCommandLineOption state(u"state"_qs, u"Job to show: running, paused or stopped."_qs,
                                 u"STATE"_qs);
  const QCommandLineOption workers(u"workers"_qs, u"Workers of the job."_qs, u"N"_qs, u"1"_qs);
  const QCommandLineOption interval(u"interval"_qs, u"Seconds between requests."_qs, u"S"_qs,
                                    u"0"_qs);
  const QCommandLineOption after(u"after-ms"_qs, u"How long the job runs before the picture."_qs,
                                 u"MS"_qs, u"6000"_qs);
  for (const QCommandLineOption* option :
       {&folder, &output, &origin, &state, &workers, &interval, &after})
    parser.addOption(*option);
  parser.process(application);
  if (!parser.isSet(folder) || !parser.isSet(output)) {
    std::fputs("Both --dir and --output are needed.\n", stderr);
    return EXIT_FAILURE;
  }
  const QString shown = parser.value(state);
  if (!shown.isEmpty() && shown != u"running" && shown != u"paused" && shown != u"stopped") {
    std::fputs("--state is running, paused or stopped.\n", stderr);
    return EXIT_FAILURE;
  }

  korvath::MainFormOptions options;
  options.programFolder = QDir(parser.value(folder)).absolutePath();
  if (parser.isSet(origin)) options.engineOrigin = parser.value(origin);
  // The picture is of the window; the results file stays closed.
  options.openDocument = [](const QString&) {};
  korvath::TMainForm form(options);
  form.show();
  if (form.StartupRefused()) {
    return EXIT_FAILURE;
  }
  if (shown.isEmpty()) FillBars(form);

  int status = EXIT_FAILURE;
  const auto capture = [&] {
    const QPixmap screen = form.screen()->grabWindow(0);
    if (screen.save(parser.value(output), "PNG")) {
      status = EXIT_SUCCESS;
    } else {
      std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(output)));
    }
    // A job may still be inside a request; nothing of it is to be kept.
    std::fflush(nullptr);
    std::_Exit(status);
  };
  const auto runJob = [&] {
    form.findChild<QSpinBox*>(u"WorkersSpinEdit"_qs)->setValue(parser.value(workers).toInt());
    form.findChild<QSpinBox*>(u"IntervalSpinEdit"_qs)->setValue(parser.value(interval).toInt());
    form.StartButtonClick();
    QTimer::singleShot(parser.value(after).toInt(), [&] {
      if (shown == u"paused") {
        form.PauseButtonClick();
        QTimer::singleShot(1500, capture);
      } else if (shown == u"stopped") {
        QObject::connect(&form.Jobs(), &korvath::JobControl::jobFinished,
                         [&] { QTimer::singleShot(1500, capture); });
        form.StopButtonClick();
      } else {
        capture();
      }
    });
  };

  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form.windowHandle() == nullptr || !form.windowHandle()->isExposed()) {
      return;
    }
    poll.stop();
    // One more turn of the event loop lets the first paint reach the display.
    QTimer::singleShot(300, [&] {
      if (shown.isEmpty()) {
        capture();
      } else {
        runJob();
      }
    });
  });
  poll.start(50);
  QApplication::exec();
  return status;
}
