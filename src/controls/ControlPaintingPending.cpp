#include "controls/ControlPainting.h"

namespace controls {

// FIXME: the drawing kit's canvas is not in the Windows build yet; until it is, a form there
// paints its background and none of its controls.
void PaintControl(TControl&, platform::TBitmap&, int, TPoint, const platform::TRect&) {}

} // namespace controls
