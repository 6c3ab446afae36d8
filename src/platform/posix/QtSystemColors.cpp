#include "platform/SystemColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

// The palette role that stands for each system colour.
struct PaletteRole {
  int index;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

constexpr PaletteRole PaletteRoles[] = {
    {5, QPalette::Active, QPalette::Base},          // window
    {8, QPalette::Active, QPalette::WindowText},    // window text
    {13, QPalette::Active, QPalette::Highlight},    // highlight
    {15, QPalette::Active, QPalette::Button},       // button face
    {16, QPalette::Active, QPalette::Dark},         // button shadow
    {17, QPalette::Disabled, QPalette::WindowText}, // grey text
    {20, QPalette::Active, QPalette::Light},        // button highlight
    {21, QPalette::Active, QPalette::Shadow},       // dark shadow
    {26, QPalette::Active, QPalette::Link},         // hot light
};

} // namespace

std::optional<std::uint32_t> SystemColor(int index) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return std::nullopt;
  for (const PaletteRole& entry : PaletteRoles) {
    if (entry.index == index)
      return QGuiApplication::palette().color(entry.group, entry.role).rgb() | 0xFF000000u;
  }
  return std::nullopt;
}

} // namespace platform
