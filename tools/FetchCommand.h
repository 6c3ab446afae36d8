#pragma once

namespace tools {

// kolvarin-tool fetch [--timeout MS] URL: the body on standard output and exit 0, or one line
// "Class: message" (CR and LF written as \r and \n) with the code on a second line, and exit 1.
int RunFetch(int argc, char** argv);

} // namespace tools
