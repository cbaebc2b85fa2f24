#include "platform/system_reason.h"

namespace korvath {

// Qt takes a failed file operation's reason from Windows itself, which words it in the language
// of the user's system.
QString RussianSystemReason(const QString&) { return {}; }

}  // namespace korvath
