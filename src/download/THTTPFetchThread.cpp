#include "download/THTTPFetchThread.h"

#include "platform/Files.h"
#include "platform/Internet.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace download {

namespace inet = platform::inet;

namespace {

// The three internet handles, released in the order request, connection, session on every path.
struct Handles {
  inet::HINTERNET session = nullptr;
  inet::HINTERNET connection = nullptr;
  inet::HINTERNET request = nullptr;
  ~Handles() {
    inet::InternetCloseHandle(request);
    inet::InternetCloseHandle(connection);
    inet::InternetCloseHandle(session);
  }
};

} // namespace

THTTPFetchThread::THTTPFetchThread(Settings settings, TOnProgressEvent progress)
    : m_settings(std::move(settings)), m_progress(std::move(progress)),
      m_hasProgress(static_cast<bool>(m_progress)) {
  FreeOnTerminate = true;
}

void THTTPFetchThread::ReportProgress() {
  if (m_progress)
    m_progress(this, m_fileSize, m_readed);
}

void THTTPFetchThread::Execute() {
  try {
    Transfer();
  } catch (...) {
    // Any failure inside the body (a length that is no number, the file, a failing progress
    // handler) ends it as failed; what was written stays.
    m_succeeded = false;
  }
}

void THTTPFetchThread::Transfer() {
  const SplitResult target = SplitURL(m_settings.URL);
  if (Terminated())
    return;

  Handles handles;
  handles.session =
      inet::InternetOpenA(m_settings.Agent.empty() ? nullptr : m_settings.Agent.c_str(),
                          inet::INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  handles.connection = inet::InternetConnectA(
      handles.session, target.server.c_str(),
      target.secure ? inet::INTERNET_DEFAULT_HTTPS_PORT : inet::INTERNET_DEFAULT_HTTP_PORT,
      m_settings.UserName.c_str(), m_settings.Password.c_str(), inet::INTERNET_SERVICE_HTTP, 0, 0);
  const char* accept[] = {m_settings.AcceptTypes.c_str(), nullptr};
  const std::uint32_t flags = (m_settings.UseCache ? 0 : inet::INTERNET_FLAG_RELOAD) |
                              (target.secure ? inet::INTERNET_FLAG_SECURE : 0);
  handles.request = inet::HttpOpenRequestA(
      handles.connection, m_settings.PostQuery.empty() ? "GET" : "POST", target.objectPath.c_str(),
      "HTTP/1.0", m_settings.Referer.c_str(), accept, flags, 0);
  if (m_settings.PostQuery.empty()) {
    inet::HttpSendRequestA(handles.request, nullptr, 0, nullptr, 0);
  } else {
    static const char FormHeader[] = "Content-Type: application/x-www-form-urlencoded";
    inet::HttpSendRequestA(handles.request, FormHeader, sizeof FormHeader - 1,
                           m_settings.PostQuery.data(),
                           static_cast<std::uint32_t>(m_settings.PostQuery.size()));
  }
  // Every way out from here has had its answer, or its failure, from the layer.
  struct Outcome {
    THTTPFetchThread& worker;
    inet::HINTERNET request;
    ~Outcome() {
      worker.m_failureReason = inet::FailureReason(request);
      worker.m_finalURL = inet::FinalURL(request);
    }
  } outcome{*this, handles.request};
  if (Terminated())
    return;

  auto lengthText = std::make_unique<std::array<char, 1024>>();
  std::uint32_t lengthSize = static_cast<std::uint32_t>(lengthText->size());
  std::uint32_t index = 0;
  const bool haveLength = inet::HttpQueryInfoA(handles.request, inet::HTTP_QUERY_CONTENT_LENGTH,
                                               lengthText->data(), &lengthSize, &index);
  // An answer that is not a success is never taken for the file, whatever its length.
  std::array<char, 16> statusText{};
  std::uint32_t statusSize = static_cast<std::uint32_t>(statusText.size());
  const bool haveStatus = inet::HttpQueryInfoA(handles.request, inet::HTTP_QUERY_STATUS_CODE,
                                               statusText.data(), &statusSize, &index);
  const int status = haveStatus ? platform::StrToIntDef(statusText.data(), 0) : 0;
  const bool statusOK = status >= 200 && status <= 299;
  m_succeeded = haveLength;
  if (Terminated()) {
    m_succeeded = false;
    return;
  }
  if ((!haveLength || !statusOK) && m_settings.BinaryData) {
    m_succeeded = false;
    return;
  }
  if (haveLength)
    m_fileSize = platform::StrToInt(lengthText->data());
  const std::int64_t maxSize = m_settings.MaxFileSize;
  // An announced file over the limit is refused before the file is created.
  if (maxSize > 0 && haveLength && m_fileSize > maxSize) {
    m_succeeded = false;
    return;
  }

  m_readed = 0;
  platform::TWriteFile file;
  file.Create(m_settings.FileName, m_settings.ExclusiveFile);
  std::array<char, ChunkSize> chunk{};
  while (true) {
    if (Terminated()) {
      m_succeeded = false;
      return;
    }
    std::uint32_t count = 0;
    if (!inet::InternetReadFile(handles.request, chunk.data(), ChunkSize, &count) || count == 0)
      break;
    const std::int64_t total = std::int64_t{m_readed} + count;
    // A body that grows past the limit without having announced it stops here, before the read
    // that passes the limit is written.
    if (maxSize > 0 && total > maxSize) {
      m_succeeded = false;
      return;
    }
    file.Write(chunk.data(), count);
    // The count stops at the largest 32-bit value instead of overflowing.
    m_readed = static_cast<int>(std::min<std::int64_t>(total, INT32_MAX));
    if (m_hasProgress)
      Synchronize([this] { ReportProgress(); });
    // More than announced can never succeed: a server that sends without end does not get
    // to fill the disk.
    if (haveLength && total > m_fileSize)
      break;
  }
  // Flushed through the writer's own handle: a second open to flush it could be refused by a
  // program that opened the file as soon as it was closed.
  const bool whole = statusOK && m_fileSize == m_readed;
  if (whole && m_settings.FlushFile)
    file.Sync();
  file.Close();
  m_succeeded = whole;
}

} // namespace download
