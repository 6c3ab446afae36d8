#pragma once

namespace tools {

// kolvarin-tool download [--progress] URL FILE
int RunDownload(int argc, char** argv);

} // namespace tools
