#include "platform/code_page.h"

#include <windows.h>

namespace korvath {

bool SystemEncodingIsUtf8() { return GetACP() == CP_UTF8; }

}  // namespace korvath
