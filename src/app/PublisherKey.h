#pragma once

#include <string_view>

namespace app {

// The publisher's public key (PEM) built into the program (the build setting
// KOLVARIN_PUBLISHER_KEY); empty in a build without one, which installs unsigned players.
std::string_view PublisherKey();

} // namespace app
