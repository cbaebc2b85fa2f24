#pragma once

class QCoreApplication;

namespace korvath {

// Puts Qt's own texts (the text boxes' context menus, the buttons of message boxes) into Russian:
// qtbase_ru.qm from a "translations" folder beside the program, as a bundled build ships it, else
// from Qt's translations folder. Returns whether it was found; without it Qt's texts stay English.
bool LoadQtTranslations(QCoreApplication& application);

}  // namespace korvath
