#pragma once

#include <QString>
#include <QStringList>

namespace korvath {

// What the window keeps between its runs besides the queries and the ticks.
struct WindowSettings {
  int workers = 1;
  // The window's "подбирать автоматически" beside the interval.
  bool autoInterval = false;
};

// "korvath.ini" in the program folder.
QString WindowSettingsPath(const QString& programFolder);

// The saved settings; what is missing stays at its default, and what cannot be used stays there
// too, with a sentence for the log in `problems`.
WindowSettings LoadWindowSettings(const QString& programFolder, QStringList& problems);

// Throws std::runtime_error when the file cannot be written.
void SaveWindowSettings(const WindowSettings& settings, const QString& programFolder);

}  // namespace korvath
