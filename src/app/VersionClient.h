#pragma once

namespace http {
class TNetHTTP;
}

namespace app {

// How long the version check may wait for the connect and for each piece of the answer.
inline constexpr int VersionCheckReadTimeout = 30000;

// Gives `sget` the stored values of the main window's version-check client.
void ConfigureVersionClient(http::TNetHTTP& sget);

} // namespace app
