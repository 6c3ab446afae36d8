#pragma once

#include <cstdint>
#include <string>

namespace http {
class TNetHTTP;
}

namespace app {

// How long the version check may wait for the connect and for each piece of the answer.
inline constexpr int VersionCheckReadTimeout = 30000;
// The longest the whole version check may take, so that a server dripping its answer or
// sending informational answers without end cannot hold it.
inline constexpr int VersionCheckTotalTimeout = 60000;
// The most bytes the version file's body may bring.
inline constexpr std::int64_t VersionCheckMaxBody = 1 << 20;
// The most bytes the status lines and header lines of one answer may take.
inline constexpr std::int64_t VersionCheckMaxHeaderBlock = 256 << 10;

// The most redirects followed in a row, by the version check and the download alike.
inline constexpr int MaxRedirects = 5;

// Gives `sget` the whole configuration of the version check's client: what it sends and every
// limit it holds. The updater's window and kolvarin-tool both configure their client here.
void VersionClient(http::TNetHTTP& sget);

// Makes `sget` follow redirects (301, 302, 303, 307, 308; relative ones from the request's URL)
// by the rules the download keeps too: at most MaxRedirects in a row, never from https to http.
// A redirect against them raises, saying which rule.
void FollowRedirects(http::TNetHTTP& sget);

// Points `sget` at the proxy the system's settings name for `url` (none: a direct connection),
// as the download goes. Credentials written in the proxy's address answer one proxy challenge;
// a second one, or one without credentials, fails the check.
void UseSystemProxy(http::TNetHTTP& sget, const std::string& url);

} // namespace app
