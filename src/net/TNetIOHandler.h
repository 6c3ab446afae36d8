#pragma once

#include "net/TNetComponent.h"

#include <memory>
#include <string>

namespace net {

class TNetSocketHandle;

// What a connection talks through: a socket, or (in tests and fuzzers) bytes in memory.
class TNetIOHandler : public TNetComponent {
public:
  virtual void Close() = 0;
  virtual void ConnectHandler(const std::string& host, int port, const std::string& boundIP,
                              int boundPort, int boundPortMin, int boundPortMax, int timeout) = 0;
  virtual bool IsOpen() = 0;
  virtual void Open() = 0;
  // True when data (or the peer's close) is waiting within `timeout` ms (-2: no limit).
  virtual bool WaitReadable(int timeout) = 0;
  // One receive or send of at most `length` bytes: the count, 0 when the peer has closed, or
  // -1 with the error code in the socket library's last error.
  virtual int Receive(void* buffer, int length) = 0;
  virtual int Send(const void* buffer, int length) = 0;
};

enum TNetSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };

struct TNetSocksInfo {
  TNetSocksVersion Version = svNoSocks;
};

// The plain socket handler: one socket handle, created on first use.
class TNetIOHandlerSocket : public TNetIOHandler {
public:
  TNetIOHandlerSocket();
  ~TNetIOHandlerSocket() override;

  void Close() override;
  void ConnectHandler(const std::string& host, int port, const std::string& boundIP, int boundPort,
                      int boundPortMin, int boundPortMax, int timeout) override;
  bool IsOpen() override;
  void Open() override;
  bool WaitReadable(int timeout) override;
  int Receive(void* buffer, int length) override;
  int Send(const void* buffer, int length) override;

  // True: the Nagle algorithm stays on; false sets the TCP no-delay option when connecting.
  bool UseNagle = true;
  TNetSocksInfo& SocksInfo();
  TNetSocketHandle* Binding() const noexcept { return m_binding.get(); }

private:
  std::unique_ptr<TNetSocketHandle> m_binding;
  std::unique_ptr<TNetSocksInfo> m_socksInfo;
};

} // namespace net
