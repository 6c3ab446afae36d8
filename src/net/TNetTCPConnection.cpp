#include "net/TNetTCPConnection.h"

#include "net/NetExceptions.h"
#include "net/TNetStack.h"
#include "platform/SocketLibrary.h"
#include "platform/Streams.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace net {

namespace ws = platform::ws;

namespace {

constexpr int NoLimit = ws::WaitForever;

int SocketErrorCode() {
  TNetStack* stack = SharedStack();
  return stack ? stack->FetchLastError() : ws::WSAGetLastError();
}

} // namespace

TNetTCPConnection::TNetTCPConnection() {
  m_inputBuffer.OnConsume = [this](std::size_t count) { DoWork(wmRead, static_cast<int>(count)); };
}

TNetTCPConnection::~TNetTCPConnection() {
  try {
    if (m_ioHandler) {
      m_peerClosed = true;
      m_ioHandler->Close();
    }
  } catch (...) {
    // Nothing useful can be done with a failure while the connection goes.
  }
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* handler) {
  if (handler == m_ioHandler)
    return;
  if (m_ownsHandler) {
    m_ownedHandler.reset();
    m_ownsHandler = false;
  }
  m_ioHandler = handler;
}

void TNetTCPConnection::SetOwnedIOHandler(std::unique_ptr<TNetIOHandler> handler) {
  m_ownedHandler = std::move(handler);
  m_ioHandler = m_ownedHandler.get();
  m_ownsHandler = true;
}

void TNetTCPConnection::ResetInput() {
  m_inputBuffer.Clear();
  m_peerClosed = false;
}

void TNetTCPConnection::AfterDisconnect() {
  if (OnDisconnected)
    OnDisconnected(this);
}

void TNetTCPConnection::CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffered) {
  bool closed = false;
  if (m_peerClosed || !m_ioHandler) {
    if (m_ioHandler) {
      if (m_ioHandler->IsOpen()) {
        DropSocket();
        DoStatus(hsDisconnected);
        AfterDisconnect();
      }
      closed = true;
    }
  } else {
    closed = !m_ioHandler->IsOpen();
  }
  if (closed && raiseIfClosed && (m_inputBuffer.Size() == 0 || ignoreBuffered))
    throw ENetConnClosedGracefully();
}

bool TNetTCPConnection::IsConnected() {
  CheckPeerClosed(false, false);
  return m_ioHandler && m_ioHandler->IsOpen();
}

void TNetTCPConnection::PollPeerClosed(bool raiseIfClosed) {
  FillInputBuffer(raiseIfClosed, 1, false);
}

void TNetTCPConnection::DropSocket() {
  if (!m_ioHandler)
    return;
  m_peerClosed = true;
  m_ioHandler->Close();
}

void TNetTCPConnection::CloseConnection() {
  DoStatus(hsDisconnecting);
  DropSocket();
  if (m_ownsHandler) {
    m_ownedHandler.reset();
    m_ioHandler = nullptr;
    m_ownsHandler = false;
  }
  AfterDisconnect();
  DoStatus(hsDisconnected);
}

int TNetTCPConnection::BoundedTimeout(int timeout) const {
  if (!m_deadline)
    return timeout;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        *m_deadline - std::chrono::steady_clock::now())
                        .count();
  if (left <= 0)
    throw ENetException("The server did not finish its answer within the time limit");
  return timeout == NoLimit ? static_cast<int>(left)
                            : static_cast<int>(std::min<long long>(timeout, left));
}

int TNetTCPConnection::FillInputBuffer(bool raiseIfClosed, int timeout, bool raiseOnTimeout) {
  if (timeout == -1)
    timeout = m_readTimeout == 0 ? NoLimit : m_readTimeout;
  CheckPeerClosed(raiseIfClosed, false);
  if (!IsConnected()) {
    if (raiseIfClosed)
      throw ENetNotConnected();
    return 0;
  }
  int received = 0;
  do {
    const int bounded = BoundedTimeout(timeout);
    if (!m_ioHandler->WaitReadable(bounded)) {
      // A wait cut short by the deadline is the deadline's failure, not a read time-out.
      if (m_deadline && (timeout == NoLimit || bounded < timeout))
        throw ENetException("The server did not finish its answer within the time limit");
      if (raiseOnTimeout)
        throw ENetReadTimeout();
      return -1;
    }
    const auto size = static_cast<std::size_t>(m_recvBufferSize);
    received = m_ioHandler->Receive(m_inputBuffer.Reserve(size), m_recvBufferSize);
    m_peerClosed = received == 0;
    if (received == ws::SocketError) {
      const int code = SocketErrorCode();
      if (code == ws::WSAESHUTDOWN || code == ws::WSAECONNABORTED) {
        DropSocket();
        if (m_inputBuffer.Size() == 0)
          TNetStack::RaiseSocketFailure(code);
        received = 0;
      } else {
        TNetStack::RaiseSocketFailure(code);
      }
    }
    if (received > 0)
      m_inputBuffer.Commit(static_cast<std::size_t>(received));
    CheckPeerClosed(raiseIfClosed, false);
  } while (received == 0 && IsConnected());
  return received;
}

std::string TNetTCPConnection::ReceiveLine(const std::string& terminatorIn, int timeout,
                                           int maxLength) {
  if (maxLength == -1)
    maxLength = m_maxLineLength;
  const std::string terminator = terminatorIn.empty() ? std::string("\n") : terminatorIn;
  const auto limit = static_cast<std::size_t>(maxLength < 0 ? 0 : maxLength);

  std::size_t p = 0; // 1-based position of the terminator among the unread bytes
  std::size_t searched = 0;
  bool tooLong = false;
  while (p == 0) {
    const std::size_t unread = m_inputBuffer.Size();
    if (unread > 0) {
      const std::size_t at = m_inputBuffer.View().find(terminator, searched);
      if (at != std::string_view::npos)
        p = at + 1;
      // The next search starts where a terminator split across two receipts could begin.
      searched = unread >= terminator.size() ? unread - terminator.size() + 1 : 0;
    }
    if (p > 0) {
      if (p - 1 > limit && limit != 0)
        tooLong = true;
      break;
    }
    if (unread > limit && limit != 0) {
      tooLong = true;
      break;
    }
    CheckPeerClosed(true, true);
    if (FillInputBuffer(true, timeout, timeout == -1) == 0)
      return {};
  }

  if (tooLong) {
    if (m_maxLineAction == maException)
      throw ENetReadLnMaxLineLengthExceeded();
    return m_inputBuffer.Extract(limit);
  }
  std::string line = m_inputBuffer.Extract(p + terminator.size() - 1);
  line.resize(line.size() - terminator.size());
  if (terminator == "\n" && !line.empty() && line.back() == '\r')
    line.pop_back();
  return line;
}

void TNetTCPConnection::FillToAtLeast(std::size_t count) {
  while (m_inputBuffer.Size() < count) {
    FillInputBuffer(true, -1, true);
    CheckPeerClosed(true, true);
  }
}

void TNetTCPConnection::ReceiveExact(void* buffer, int count) {
  if (count <= 0)
    return;
  const auto n = static_cast<std::size_t>(count);
  FillToAtLeast(n);
  std::memcpy(buffer, m_inputBuffer.Data(), n);
  m_inputBuffer.Consume(n);
}

std::string TNetTCPConnection::ReceiveExact(int count) {
  std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
  ReceiveExact(bytes.data(), count);
  return bytes;
}

void TNetTCPConnection::ReceiveToStream(platform::TStream& stream, int count, bool untilClosed) {
  if (count == -1 && !untilClosed) {
    unsigned char length[4];
    ReceiveExact(length, 4);
    const std::uint32_t value = (std::uint32_t(length[0]) << 24) |
                                (std::uint32_t(length[1]) << 16) | (std::uint32_t(length[2]) << 8) |
                                std::uint32_t(length[3]);
    count = static_cast<int>(value);
  }
  if (count >= 0)
    stream.SetSize(stream.Position() + count);
  std::int64_t remaining = untilClosed ? INT_MAX : count;
  BeginWork(wmRead, untilClosed ? 0 : count);

  // Writes `n` unread bytes to the stream and consumes them.
  auto write = [&](std::size_t n) {
    stream.Write(m_inputBuffer.Data(), static_cast<std::int64_t>(n));
    m_inputBuffer.Consume(n);
    remaining -= static_cast<std::int64_t>(n);
  };
  try {
    if (remaining > 0)
      write(std::min<std::size_t>(m_inputBuffer.Size(), static_cast<std::size_t>(remaining)));
    const std::int64_t block = std::min<std::int64_t>(remaining, m_recvBufferSize);
    while (remaining > 0 && IsConnected()) {
      const auto n = static_cast<std::size_t>(std::min(remaining, block));
      try {
        FillToAtLeast(n);
      } catch (const ENetConnClosedGracefully&) {
        if (!untilClosed)
          throw;
        write(m_inputBuffer.Size());
        continue;
      }
      write(n);
    }
  } catch (...) {
    EndWork(wmRead);
    if (stream.Size() > stream.Position())
      stream.SetSize(stream.Position());
    throw;
  }
  EndWork(wmRead);
  if (stream.Size() > stream.Position())
    stream.SetSize(stream.Position());
}

void TNetTCPConnection::ReceiveBufferedToStream(platform::TStream& stream) {
  const std::size_t unread = m_inputBuffer.Size();
  if (unread == 0)
    return;
  stream.Write(m_inputBuffer.Data(), static_cast<std::int64_t>(unread));
  m_inputBuffer.Consume(unread);
}

void TNetTCPConnection::SendNow(const char* bytes, std::size_t count) {
  std::size_t sent = 0;
  while (sent < count) {
    const int chunk = static_cast<int>(std::min<std::size_t>(count - sent, INT_MAX));
    const int n = m_ioHandler->Send(bytes + sent, chunk);
    m_peerClosed = n == 0;
    CheckPeerClosed(true, false);
    if (n == ws::SocketError) {
      const int code = SocketErrorCode();
      if (code == ws::WSAESHUTDOWN || code == ws::WSAECONNABORTED || code == ws::WSAECONNRESET)
        DropSocket();
      TNetStack::RaiseSocketFailure(code);
    }
    DoWork(wmWrite, n);
    sent += static_cast<std::size_t>(n);
  }
}

void TNetTCPConnection::SendBytes(const void* buffer, int count, bool sendNow) {
  if (count <= 0)
    return;
  CheckPeerClosed(true, true);
  if (!IsConnected())
    throw ENetNotConnected();
  const auto* bytes = static_cast<const char*>(buffer);
  if (m_sendBatch && !sendNow) {
    m_sendBatch->Append(bytes, static_cast<std::size_t>(count));
    if (m_sendBatchThreshold > 0 &&
        m_sendBatch->Size() >= static_cast<std::size_t>(m_sendBatchThreshold))
      FlushSendBatch(m_sendBatchThreshold);
    return;
  }
  SendNow(bytes, static_cast<std::size_t>(count));
}

void TNetTCPConnection::SendText(const std::string& text) {
  if (!text.empty())
    SendBytes(text.data(), static_cast<int>(text.size()));
}

void TNetTCPConnection::SendLine(const std::string& text) {
  SendText(text + "\r\n");
}

void TNetTCPConnection::SendStream(platform::TStream& stream, bool fromStart, bool withLength,
                                   int size) {
  if (fromStart)
    stream.SetPosition(0);
  std::int64_t count = stream.Size() - stream.Position();
  if (size > 0 && size < count)
    count = size;
  if (withLength) {
    const auto value = static_cast<std::uint32_t>(count);
    const unsigned char length[4] = {
        static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
        static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    SendBytes(length, 4);
  }
  BeginWork(wmWrite, static_cast<int>(count));
  try {
    std::string piece;
    while (count > 0) {
      piece.resize(static_cast<std::size_t>(std::min<std::int64_t>(count, m_sendBufferSize)));
      const std::int64_t got = stream.Read(piece.data(), static_cast<std::int64_t>(piece.size()));
      if (got <= 0)
        throw ENetNoDataToRead();
      SendBytes(piece.data(), static_cast<int>(got));
      count -= got;
    }
  } catch (...) {
    EndWork(wmWrite);
    throw;
  }
  EndWork(wmWrite);
}

void TNetTCPConnection::StartSendBatch(int threshold) {
  m_sendBatch.emplace();
  m_sendBatchThreshold = threshold;
}

void TNetTCPConnection::FlushSendBatch(int count) {
  if (!m_sendBatch || m_sendBatch->Empty())
    return;
  if (count != -1 && m_sendBatch->Size() >= static_cast<std::size_t>(count)) {
    const std::string front = m_sendBatch->Extract(static_cast<std::size_t>(count));
    SendNow(front.data(), front.size());
    return;
  }
  const std::string all = m_sendBatch->Extract(m_sendBatch->Size());
  SendNow(all.data(), all.size());
}

void TNetTCPConnection::FinishSendBatch() {
  try {
    FlushSendBatch(-1);
  } catch (...) {
    m_sendBatch.reset();
    throw;
  }
  m_sendBatch.reset();
}

void TNetTCPClient::AfterConnect() {
  if (OnConnected)
    OnConnected(this);
}

void TNetTCPClient::EstablishConnection(int timeout) {
  if (!m_ioHandler) {
    auto handler = std::make_unique<TNetIOHandlerSocket>();
    handler->OnStatus = OnStatus;
    SetOwnedIOHandler(std::move(handler));
  } else if (m_ioHandler->IsOpen()) {
    throw ENetAlreadyConnected();
  }
  try {
    m_ioHandler->Open();
    ResetInput();
    const int bounded = GetDeadline() ? BoundedTimeout(timeout > 0 ? timeout : NoLimit) : timeout;
    m_ioHandler->ConnectHandler(m_host, m_port, m_boundIP, m_boundPort, m_boundPortMin,
                                m_boundPortMax, bounded);
    DoStatus(hsConnected, m_host);
    AfterConnect();
  } catch (...) {
    DropSocket();
    throw;
  }
}

} // namespace net
