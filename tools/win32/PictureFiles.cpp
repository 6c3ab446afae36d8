#include "tools/PictureFiles.h"

#include "platform/Files.h"
#include "tools/PngEncoder.h"

namespace tools {

// A window of the Windows build is drawn into its own picture whether shown or not; it shows
// only once the program shows it.
void DrawWindowsOffScreen() {}

// The tool writes the format itself rather than through the system's imaging codecs: no COM to
// set up, and the same bytes on every version of the system and under Wine.
bool WritePng(const platform::TBitmap& picture, const std::string& fileName) {
  try {
    platform::TWriteFile file;
    file.Create(fileName);
    const std::string bytes = EncodePng(picture);
    file.Write(bytes.data(), bytes.size());
    file.Close();
    return true;
  } catch (const platform::EFileError&) {
    return false;
  }
}

} // namespace tools
