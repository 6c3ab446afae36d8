#pragma once

namespace download {
class THTTPFetch;
}

namespace app {

// Gives `fetch` the whole configuration of the updater's download component. The updater's
// window and kolvarin-tool both configure their component here.
void DownloadClient(download::THTTPFetch& fetch);

} // namespace app
