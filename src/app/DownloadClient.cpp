#include "app/DownloadClient.h"

#include "download/THTTPFetch.h"

namespace app {

void DownloadClient(download::THTTPFetch& fetch) {
  fetch.AcceptTypes = "*/*";
  fetch.Agent = "Kolvarin Downloader";
  fetch.BinaryData = true;
  fetch.UseCache = false;
  fetch.WaitThread = false;
  // The download never writes into a file (or through a link) that is already there.
  fetch.ExclusiveFile = true;
  // A player larger than the build's limit is refused, whatever the component did before.
  fetch.MaxFileSize = download::DefaultMaxFileSize;
}

} // namespace app
