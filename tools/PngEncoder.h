#pragma once

#include "platform/Bitmap.h"

#include <string>

namespace tools {

// The picture as the bytes of a PNG file: 8-bit RGB, not interlaced, each row unfiltered, the
// image data in stored (uncompressed) deflate blocks. Larger than a compressed file, but
// written without any compression library, so every build of the tool has it.
std::string EncodePng(const platform::TBitmap& picture);

} // namespace tools
