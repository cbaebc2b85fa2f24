#include "platform/code_page.h"

namespace korvath {

bool SystemEncodingIsUtf8() { return true; }

}  // namespace korvath
