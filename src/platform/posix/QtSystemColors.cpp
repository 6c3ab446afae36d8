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
    {5, QPalette::Active, QPalette::Base},          {8, QPalette::Active, QPalette::WindowText},
    {13, QPalette::Active, QPalette::Highlight},    {15, QPalette::Active, QPalette::Button},
    {16, QPalette::Active, QPalette::Dark},         {17, QPalette::Disabled, QPalette::WindowText},
    {20, QPalette::Active, QPalette::Light},        {21, QPalette::Active, QPalette::Shadow},
    {26, QPalette::Active, QPalette::Link},
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
