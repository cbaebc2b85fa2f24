// Load of a job run from the window: the real main window (on the offscreen platform), its log
// box and its hand-offs, against the demo engine with no pause between requests, 4 queries x 5
// regions x 50 ads per page, every card answered. At every tenth of the rows it prints the
// elapsed time, the process's CPU time and its memory, and per stretch the time per ad and the
// memory added per row, like bench/job_load.sh does for the headless run.
// Usage: QT_QPA_PLATFORM=offscreen window_load_bench [ADS]   (default 100000, a multiple of
//        1000; korvath-demo-engine must lie beside this program)
#include "ui/main_form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <optional>

namespace korvath {
namespace {

constexpr int kPairs = 20;
constexpr int kAdsPerPage = 50;

const QString kQueries =
    u"пластиковые окна\nремонт квартир\nдоставка цветов\nюридические услуги"_qs;
const QByteArray kCatalogue =
    "<table><tr><td id=\"beginRegions\">"
    "<label for=\"213_\">Москва</label><label for=\"2_\">Санкт-Петербург</label>"
    "<label for=\"54_\">Екатеринбург</label><label for=\"65_\">Новосибирск</label>"
    "<label for=\"43_\">Казань</label></td></tr></table>";

struct Sample {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long rssKib = 0;
  long peakKib = 0;
};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// VmRSS and VmHWM of this process, in KiB.
std::pair<long, long> ProcessMemoryKib() {
  QFile status(u"/proc/self/status"_qs);
  long rss = 0;
  long peak = 0;
  if (!status.open(QIODevice::ReadOnly)) return {rss, peak};
  for (const QByteArray& line : status.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 2) continue;
    if (fields[0] == "VmRSS:") rss = fields[1].toLong();
    if (fields[0] == "VmHWM:") peak = fields[1].toLong();
  }
  return {rss, peak};
}

class LoadRecorder {
 public:
  LoadRecorder(int ads, int adsPerPair) : ads_(ads), adsPerPair_(adsPerPair) {
    clock_.start();
    std::printf("%-8s %-8s %-8s %-8s %-9s %-8s %-8s %-8s\n", "rows", "wall_s", "cpu_s", "us/ad",
                "cpu_us/ad", "RSS_MiB", "peak_MiB", "B/row");
  }

  // Reads one new entry of the log box: the rows in the table follow from the card lines.
  void See(const QString& lastLine) {
    if (lastLine.contains(u"Запускаем запрос"_qs)) ++pair_;
    const QRegularExpressionMatch card = kCardLine.match(lastLine);
    if (!card.hasMatch()) return;
    const int rows = (pair_ - 1) * adsPerPair_ + card.captured(1).toInt() - 1;
    if (rows >= nextMark_ && rows < ads_) Record(QString::number(rows), rows);
  }

  void Record(const QString& label, int rows) {
    const auto [rss, peak] = ProcessMemoryKib();
    const Sample now{clock_.nsecsElapsed() / 1e9, ProcessCpuSeconds(), rss, peak};
    const int stretch = rows - lastRows_;
    const auto perAd = [stretch](double seconds) {
      return stretch > 0 ? QString::number(seconds / stretch * 1e6, 'f', 0) : u"-"_qs;
    };
    const QString perRow =
        lastRows_ > 0 && stretch > 0
            ? QString::number(double(rss - last_.rssKib) * 1024 / stretch, 'f', 0)
            : u"-"_qs;
    std::printf("%-8s %-8.2f %-8.2f %-8s %-9s %-8.1f %-8.1f %-8s\n", qPrintable(label),
                now.wallSeconds, now.cpuSeconds,
                qPrintable(perAd(now.wallSeconds - last_.wallSeconds)),
                qPrintable(perAd(now.cpuSeconds - last_.cpuSeconds)), rss / 1024.0, peak / 1024.0,
                qPrintable(perRow));
    std::fflush(stdout);
    last_ = now;
    lastRows_ = rows;
    nextMark_ += ads_ / 10;
  }

 private:
  inline static const QRegularExpression kCardLine{
      u"Загружаем карточку контактов для объявления (\\d+):"_qs};
  const int ads_;
  const int adsPerPair_;
  QElapsedTimer clock_;
  int pair_ = 0;
  int nextMark_ = ads_ / 10;
  int lastRows_ = 0;
  Sample last_;
};

// Starts the demo engine beside this program; its origin is the first line it prints.
std::optional<QString> StartEngine(QProcess& engine, int pages) {
  engine.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"korvath-demo-engine"_qs),
               {u"--pages"_qs, QString::number(pages), u"--ads"_qs, QString::number(kAdsPerPage),
                u"--no-missing-cards"_qs});
  if (!engine.waitForStarted()) return std::nullopt;
  while (!engine.canReadLine()) {
    if (!engine.waitForReadyRead(10000)) return std::nullopt;
  }
  return QString::fromUtf8(engine.readLine()).trimmed();
}

int Run(int ads) {
  const int adsPerPair = ads / kPairs;
  QProcess engine;
  const std::optional<QString> origin = StartEngine(engine, adsPerPair / kAdsPerPage);
  if (!origin) {
    std::fprintf(stderr, "the demo engine did not start: %s\n", qPrintable(engine.errorString()));
    return 1;
  }
  QTemporaryDir folder;
  QFile catalogue(QDir(folder.path()).filePath(u"regions.html"_qs));
  if (!folder.isValid() || !catalogue.open(QIODevice::WriteOnly) ||
      catalogue.write(kCatalogue) != kCatalogue.size()) {
    std::fprintf(stderr, "cannot make the program folder\n");
    return 1;
  }
  catalogue.close();
  // The raw pages go to the working folder; keep them out of the caller's.
  QDir::setCurrent(folder.path());

  MainFormOptions options;
  options.programFolder = folder.path();
  options.engineOrigin = *origin;
  options.tlsAvailable = [] { return true; };
  options.openDocument = [](const QString&) {};
  TMainForm form(options);
  form.show();
  auto* logs = form.findChild<QPlainTextEdit*>(u"LogsMemo"_qs);
  form.findChild<QSpinBox*>(u"IntervalSpinEdit"_qs)->setValue(0);
  form.findChild<QPlainTextEdit*>(u"KeywordsMemo"_qs)->setPlainText(kQueries);
  form.Regions().SetAllChecked(true);

  std::printf(
      "ads: %d = 4 queries x 5 regions x %d pages x %d ads; interval 0; window on the "
      "\"%s\" platform\n",
      ads, adsPerPair / kAdsPerPage, kAdsPerPage, qPrintable(QApplication::platformName()));
  LoadRecorder recorder(ads, adsPerPair);
  QObject::connect(logs, &QPlainTextEdit::blockCountChanged, &form, [&] {
    const QString line = logs->document()->lastBlock().text();
    recorder.See(line);
    if (line.endsWith(u": Сбор данных завершен"_qs)) recorder.Record(QString::number(ads), ads);
  });
  auto* start = form.findChild<QPushButton*>(u"StartButton"_qs);
  QTimer finished;
  QObject::connect(&finished, &QTimer::timeout, [&] {
    if (!form.Jobs().JobRunning() && start->isEnabled()) QApplication::quit();
  });
  start->click();
  finished.start(100);
  QApplication::exec();
  recorder.Record(u"end"_qs, ads);

  QFile current(QDir(folder.path()).filePath(u"current.csv"_qs));
  const int rows = current.open(QIODevice::ReadOnly) ? current.readAll().count("\r\n") - 1 : 0;
  std::printf("current.csv: %d rows; log box: %d lines\n", rows, logs->document()->blockCount());
  engine.terminate();
  engine.waitForFinished();
  return rows == ads ? 0 : 1;
}

}  // namespace
}  // namespace korvath

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  bool ok = true;
  const int ads = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt(&ok) : 100000;
  if (!ok || ads <= 0 || ads % (korvath::kPairs * korvath::kAdsPerPage) != 0) {
    std::fprintf(stderr, "ADS must be a positive multiple of %d\n",
                 korvath::kPairs * korvath::kAdsPerPage);
    return 2;
  }
  return korvath::Run(ads);
}
