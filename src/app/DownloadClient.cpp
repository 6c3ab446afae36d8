#include "app/DownloadClient.h"

#include "download/THTTPFetch.h"

namespace app {

void ConfigureDownloadClient(download::THTTPFetch& fetch) {
  fetch.AcceptTypes = "*/*";
  fetch.Agent = "Kolvarin Downloader";
  fetch.BinaryData = true;
  fetch.UseCache = false;
  fetch.WaitThread = false;
}

} // namespace app
