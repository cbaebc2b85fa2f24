#pragma once

namespace korvath {

// Whether the TLS library that secure pages need is there: on Windows the file this build ships
// beside the program (libcrypto-3-x64.dll), which an archive manager running the program from
// inside the archive leaves behind; on Linux the system's library answering.
bool TlsLibraryAvailable();

// Whether the TLS library gives a client context, the first thing a secure request needs.
bool TlsLibraryAnswers();

}  // namespace korvath
