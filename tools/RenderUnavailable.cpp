#include "tools/RenderCommand.h"

#include <cstdio>

namespace tools {

// The build without the window toolkit has no controls to draw.
int RunRender(int, char**) {
  std::fputs("kolvarin-tool render: not available in this build (it has no window toolkit)\n",
             stderr);
  return 2;
}

} // namespace tools
