#pragma once

#include "net/TNetBuffer.h"
#include "net/TNetComponent.h"
#include "net/TNetIOHandler.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class TStream;
}

namespace net {

enum TNetMaxLineAction { maException, maSplit };

// A TCP connection with an input buffer in front of its socket: reads lines, exact counts and
// whole streams with a line limit and a read time-out; writes text and bytes, optionally
// gathered into one batch. Every operation blocks the calling thread until it is done.
//
// Time-out arguments: -1 means ReadTimeout applies; -2 means no limit, which is also what a
// ReadTimeout of 0 turns into.
class TNetTCPConnection : public TNetComponent {
public:
  TNetTCPConnection();
  ~TNetTCPConnection() override;

  TNotifyEvent OnDisconnected;

  int MaxLineLength() const noexcept { return m_maxLineLength; }
  void SetMaxLineLength(int value) noexcept { m_maxLineLength = value; }
  TNetMaxLineAction MaxLineAction() const noexcept { return m_maxLineAction; }
  void SetMaxLineAction(TNetMaxLineAction value) noexcept { m_maxLineAction = value; }
  int ReadTimeout() const noexcept { return m_readTimeout; }
  void SetReadTimeout(int value) noexcept { m_readTimeout = value; }
  int RecvBufferSize() const noexcept { return m_recvBufferSize; }
  void SetRecvBufferSize(int value) noexcept { m_recvBufferSize = value > 0 ? value : 1; }
  int SendBufferSize() const noexcept { return m_sendBufferSize; }
  void SetSendBufferSize(int value) noexcept { m_sendBufferSize = value > 0 ? value : 1; }

  // The handler used; not owned when set from outside.
  TNetIOHandler* IOHandler() const noexcept { return m_ioHandler; }
  void SetIOHandler(TNetIOHandler* handler);

  const TNetManagedBuffer& InputBuffer() const noexcept { return m_inputBuffer; }

  // A moment after which no wait may go on: a wait that would pass it ends with an
  // ENetException saying the time limit was reached. Nothing: no such moment.
  using Deadline = std::optional<std::chrono::steady_clock::time_point>;
  void SetDeadline(Deadline deadline) noexcept { m_deadline = deadline; }
  const Deadline& GetDeadline() const noexcept { return m_deadline; }
  // The wait to use for `timeout` (ms; -2 none) under the deadline; raises once it has passed.
  int BoundedTimeout(int timeout) const;

  virtual void ResetInput();
  virtual void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffered);
  virtual void PollPeerClosed(bool raiseIfClosed);
  virtual bool IsConnected();
  virtual void CloseConnection();
  virtual void DropSocket();
  // Bytes added, 0 when the peer closed or nothing is connected, -1 when a wait ended empty.
  virtual int FillInputBuffer(bool raiseIfClosed, int timeout, bool raiseOnTimeout);
  virtual std::string ReceiveLine(const std::string& terminator = "\n", int timeout = -1,
                                  int maxLength = -1);
  void ReceiveExact(void* buffer, int count);
  std::string ReceiveExact(int count);
  // Count -1 without untilClosed: the count is first read as a 4-byte network-order integer.
  void ReceiveToStream(platform::TStream& stream, int count, bool untilClosed);
  // Writes every unread byte of the input buffer to the stream.
  void ReceiveBufferedToStream(platform::TStream& stream);

  void SendBytes(const void* buffer, int count, bool sendNow = false);
  virtual void SendText(const std::string& text);
  virtual void SendLine(const std::string& text);
  virtual void SendStream(platform::TStream& stream, bool fromStart, bool withLength, int size = 0);

  // Threshold -1: the batch is sent only by FlushSendBatch or FinishSendBatch.
  void StartSendBatch(int threshold);
  void FlushSendBatch(int count);
  void FinishSendBatch();
  // Drops an open batch without sending it.
  void DiscardSendBatch() noexcept { m_sendBatch.reset(); }
  bool SendBatchOpen() const noexcept { return m_sendBatch.has_value(); }

protected:
  virtual void AfterDisconnect();
  // Waits for the input buffer to hold `count` unread bytes (ReceiveExact without the copy).
  void FillToAtLeast(std::size_t count);
  void SetOwnedIOHandler(std::unique_ptr<TNetIOHandler> handler);

  TNetIOHandler* m_ioHandler = nullptr;
  bool m_ownsHandler = false;

private:
  void SendNow(const char* bytes, std::size_t count);

  std::unique_ptr<TNetIOHandler> m_ownedHandler;
  TNetManagedBuffer m_inputBuffer;
  std::optional<TNetSimpleBuffer> m_sendBatch;
  int m_sendBatchThreshold = -1;
  bool m_peerClosed = false;
  Deadline m_deadline;

  int m_maxLineLength = 16384;
  TNetMaxLineAction m_maxLineAction = maException;
  int m_readTimeout = 0;
  int m_recvBufferSize = 32768;
  int m_sendBufferSize = 32768;
};

// A client connection: the target address and EstablishConnection.
class TNetTCPClient : public TNetTCPConnection {
public:
  TNotifyEvent OnConnected;

  const std::string& Host() const noexcept { return m_host; }
  virtual void SetHost(const std::string& host) { m_host = host; }
  int Port() const noexcept { return m_port; }
  virtual void SetPort(int port) { m_port = port; }
  const std::string& BoundIP() const noexcept { return m_boundIP; }
  void SetBoundIP(const std::string& ip) { m_boundIP = ip; }
  int BoundPort() const noexcept { return m_boundPort; }
  void SetBoundPort(int port) noexcept { m_boundPort = port; }
  void SetBoundPortRange(int minimum, int maximum) noexcept {
    m_boundPortMin = minimum;
    m_boundPortMax = maximum;
  }

  // Connects to Host:Port, creating a socket handler when none is set. A timeout above 0 also
  // bounds the connect (ENetSocketError 10060 when it runs out).
  virtual void EstablishConnection(int timeout);

protected:
  virtual void AfterConnect();

private:
  std::string m_host;
  int m_port = 0;
  std::string m_boundIP;
  int m_boundPort = 0;
  int m_boundPortMin = 0;
  int m_boundPortMax = 0;
};

} // namespace net
