#pragma once

namespace korvath {

// Whether the system's 8-bit encoding for text files is UTF-8: Qt takes it to be on Linux,
// whatever the locale says; on Windows it is the ANSI code page (1251 on a Russian system).
bool SystemEncodingIsUtf8();

}  // namespace korvath
