#include "ui/startup_checks.h"

#include <QDir>
#include <QStringList>

namespace korvath {
namespace {

QString WithExtractAdvice(QStringList lines) {
  lines
      << u"Для корректной работы программы извлеките файлы программы из архива в отдельную папку. "
         u"Это можно сделать, кликнув правой кнопкой мыши на архиве и выбрав пункт меню "
         u"\"Извлечь все\""_qs;
  return lines.join(u"\r\n"_qs);
}

}  // namespace

QString LocationCheckMessage(const QString& folderPath, bool tlsAvailable) {
  // Archive managers unpack into folders named like this while they run a program from an archive.
  if (folderPath.contains(u"Rar$"_qs, Qt::CaseSensitive)) {
    return WithExtractAdvice({u"Вы запустили программу изнутри архива!"_qs});
  }
  const QString temp = QDir::separator() + u"Temp"_qs + QDir::separator();
  if (folderPath.contains(temp, Qt::CaseInsensitive)) {
    return WithExtractAdvice({u"Программа запущена из временной папки!"_qs,
                              u"Скорее всего, Вы запустили программу изнутри архива."_qs});
  }
  if (!tlsAvailable) {
    return WithExtractAdvice({u"Программа не обнаружила необходимые для работы файлы!"_qs,
                              u"Вероятно, Вы запустили программу изнутри архива!"_qs});
  }
  return {};
}

}  // namespace korvath
