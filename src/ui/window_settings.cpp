#include "ui/window_settings.h"

#include "engine/scraper.h"

#include <QDir>
#include <QSettings>

#include <stdexcept>

namespace korvath {
namespace {

const QString kWorkersKey = u"workers"_qs;
const QString kAutoIntervalKey = u"auto_interval"_qs;

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

QString WindowSettingsPath(const QString& programFolder) {
  return QDir(programFolder).filePath(u"korvath.ini"_qs);
}

WindowSettings LoadWindowSettings(const QString& programFolder, QStringList& problems) {
  const QString path = WindowSettingsPath(programFolder);
  const QSettings file(path, QSettings::IniFormat);
  WindowSettings settings;
  if (file.status() != QSettings::NoError) {
    problems.append(u"Файл настроек \"%1\" не читается; число потоков взято по умолчанию: %2."_qs
                        .arg(Shown(path))
                        .arg(settings.workers));
    return settings;
  }
  settings.autoInterval = file.value(kAutoIntervalKey, false).toBool();
  if (!file.contains(kWorkersKey)) return settings;
  const QString text = file.value(kWorkersKey).toString();
  bool ok = false;
  const int workers = text.toInt(&ok);
  if (ok && workers >= 1 && workers <= kMaxWorkers) {
    settings.workers = workers;
  } else {
    problems.append(
        u"В файле настроек \"%1\" число потоков \"%2\" не годится: нужно целое число от 1 до %3. "
        u"Взято %4."_qs.arg(Shown(path), text)
            .arg(kMaxWorkers)
            .arg(settings.workers));
  }
  return settings;
}

void SaveWindowSettings(const WindowSettings& settings, const QString& programFolder) {
  const QString path = WindowSettingsPath(programFolder);
  QSettings file(path, QSettings::IniFormat);
  file.setValue(kWorkersKey, settings.workers);
  file.setValue(kAutoIntervalKey, settings.autoInterval);
  file.sync();
  if (file.status() != QSettings::NoError) {
    throw std::runtime_error(
        u"Не удалось сохранить настройки в файл \"%1\"."_qs.arg(Shown(path)).toStdString());
  }
}

}  // namespace korvath
