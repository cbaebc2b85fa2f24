#include "results/run_log.h"

#include "textutil/text_file.h"

#include <QDir>
#include <QLocale>

#include <chrono>
#include <exception>

namespace korvath {
namespace {

// The locale's long time format without its time-zone field: the log shows wall-clock time,
// and the zone name that some locales append only widens every line.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString out;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    out += c;
  }
  return out.trimmed();
}

}  // namespace

QString LogTimestamp(const QDateTime& local) {
  const QLocale locale = QLocale::system();
  return locale.toString(local.date(), QLocale::ShortFormat) + u' ' +
         locale.toString(local.time(), LongTimeFormatWithoutZone(locale));
}

QString LogLine(const QString& message) {
  return LogTimestamp(QDateTime::currentDateTime()) + QStringLiteral(": ") + message;
}

void AddLogLine(JobWindow& window, const QString& message) {
  window.AppendLogEntry(LogLine(message));
}

void UpdateRunState(JobWindow& window, bool cursorHourGlass, const QString& programFolder) {
  if (cursorHourGlass) {
    window.ClearLog();
    AddLogLine(window, u"Начинаем работу."_qs);
    window.SetInputsEnabled(false);
    return;
  }
  AddLogLine(window, u"Работа завершена"_qs);
  const QString fileName = LogFileName(TickCount32());
  // The file ends with the line that names it, as the log does; the log gets that line only once
  // the file is there.
  const QString written = LogLine(u"Лог записан в файл "_qs + fileName);
  try {
    WriteTextLines(QDir(programFolder).filePath(fileName),
                   window.LogLines() + QStringList{written});
    window.AppendLogEntry(written);
  } catch (const std::exception& error) {
    AddLogLine(window, u"Ошибка записи "_qs + QString::fromStdString(error.what()));
  }
  window.SetInputsEnabled(true);
}

// The steady clock counts from system start on the platforms we build for.
quint32 TickCount32() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<quint32>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

QString LogFileName(quint32 tick) {
  return QString::asprintf("log-%d.txt", static_cast<qint32>(tick));
}

}  // namespace korvath
