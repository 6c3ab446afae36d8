#include "tools/PictureFiles.h"

#include <QFile>
#include <QImage>
#include <cstdlib>

namespace tools {

void DrawWindowsOffScreen() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

bool WritePng(const platform::TBitmap& picture, const std::string& fileName) {
  const QImage image(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(),
                     picture.Height(), picture.Stride(), QImage::Format_RGB32);
  return image.save(QFile::decodeName(fileName.c_str()), "PNG");
}

} // namespace tools
