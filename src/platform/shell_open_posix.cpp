#include "platform/shell_open.h"

#include <QProcess>

namespace korvath {

bool OpenWithSystem(const QString& path) { return QProcess::startDetached(u"xdg-open"_qs, {path}); }

}  // namespace korvath
