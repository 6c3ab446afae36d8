#pragma once

namespace download {
class THTTPFetch;
}

namespace app {

// Gives `fetch` the stored values of the main window's download component.
void ConfigureDownloadClient(download::THTTPFetch& fetch);

} // namespace app
