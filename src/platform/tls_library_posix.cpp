#include "platform/tls_library.h"

namespace korvath {

bool TlsLibraryAvailable() { return TlsLibraryAnswers(); }

}  // namespace korvath
