#pragma once

// The program's version, e.g. "1.0". It is set in one place, the project()
// line of the top CMakeLists.txt, which also names the Debian package; the
// build writes it into a generated source (Version.cpp.in).
const char* programVersion();
