#include "app/PlayerSignatureCheck.h"

#include "app/DownloadClient.h"
#include "platform/FileOperations.h"

#include <fstream>
#include <iterator>

namespace app {

std::string SignatureURL(const std::string& fileURL) {
  return fileURL + ".sig";
}

platform::SignatureVerdict VerifySignatureFile(std::string_view publicKeyPem,
                                               const std::string& fileName,
                                               const std::string& signatureFile) {
  std::ifstream file(signatureFile, std::ios::binary);
  if (!file)
    return {false, "cannot read the signature " + signatureFile};
  std::string signature(MaxSignatureSize + 1, '\0');
  file.read(signature.data(), static_cast<std::streamsize>(signature.size()));
  if (file.bad())
    return {false, "cannot read the signature " + signatureFile};
  signature.resize(static_cast<std::size_t>(file.gcount()));
  if (signature.size() > MaxSignatureSize)
    return {false, "the signature is longer than " + std::to_string(MaxSignatureSize) + " bytes"};
  return platform::VerifyPlayerSignature(publicKeyPem, fileName, signature);
}

void PlayerSignatureCheck::Start(const std::string& signatureURL, const std::string& signatureFile,
                                 const std::string& fileName) {
  if (m_fetch.Running())
    return;
  if (m_key.empty()) {
    Finish({true, {}});
    return;
  }
  m_signatureFile = signatureFile;
  m_fileName = fileName;
  platform::SystemFileOperations().Remove(m_signatureFile);
  DownloadClient(m_fetch);
  m_fetch.ExclusiveFile = true;
  m_fetch.MaxFileSize = MaxSignatureSize;
  m_fetch.WaitThread = WaitThread;
  m_fetch.URL = signatureURL;
  m_fetch.FileName = m_signatureFile;
  m_fetch.OnDoneFile = [this](download::THTTPFetch*, const std::string&, int) {
    const platform::SignatureVerdict verdict =
        VerifySignatureFile(m_key, m_fileName, m_signatureFile);
    platform::SystemFileOperations().Remove(m_signatureFile);
    Finish(verdict);
  };
  m_fetch.OnError = [this](download::THTTPFetch* fetch) {
    platform::SystemFileOperations().Remove(m_signatureFile);
    // The internet layer's words where it has them (a certificate refused, a redirect refused).
    if (!fetch->FailureReason().empty())
      Finish({false, "the signature could not be downloaded: " + fetch->FailureReason()});
    else
      Finish({false, "the signature could not be downloaded (missing, longer than " +
                         std::to_string(MaxSignatureSize) + " bytes, or cut short)"});
  };
  m_fetch.StartDownload();
}

void PlayerSignatureCheck::Finish(const platform::SignatureVerdict& verdict) {
  if (OnChecked)
    OnChecked(verdict);
}

} // namespace app
