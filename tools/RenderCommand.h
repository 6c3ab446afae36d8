#pragma once

namespace tools {

// kolvarin-tool render DIR
int RunRender(int argc, char** argv);

} // namespace tools
