#pragma once

#include "platform/Exceptions.h"
#include "platform/Tls.h"

#include <string>

// The exceptions of the transport and the HTTP client, one tree rooted at ENetException.
namespace net {

class ENetException : public platform::Exception {
public:
  using platform::Exception::Exception;
};

// Exceptions that mark an expected end rather than a fault.
class ENetSilentException : public ENetException {
public:
  using ENetException::ENetException;
};

class ENetConnClosedGracefully : public ENetSilentException {
public:
  ENetConnClosedGracefully() : ENetSilentException("Connection Closed Gracefully.") {}
};

class ENetSocketError : public ENetException {
public:
  ENetSocketError(int code, std::string message)
      : ENetException(std::move(message)), m_lastError(code) {}
  int LastError() const noexcept { return m_lastError; }

private:
  int m_lastError;
};

class ENetProtocolReplyError : public ENetException {
public:
  ENetProtocolReplyError(int replyCode, std::string message)
      : ENetException(std::move(message)), m_replyCode(replyCode) {}
  int ReplyCode() const noexcept { return m_replyCode; }

private:
  int m_replyCode;
};

class ENetTCPConnectionError : public ENetException {
public:
  using ENetException::ENetException;
};

class ENetNotConnected : public ENetTCPConnectionError {
public:
  ENetNotConnected() : ENetTCPConnectionError("Not Connected") {}
};

class ENetNotEnoughDataInBuffer : public ENetTCPConnectionError {
public:
  ENetNotEnoughDataInBuffer() : ENetTCPConnectionError("Not enough data in buffer.") {}
};

class ENetNoDataToRead : public ENetTCPConnectionError {
public:
  ENetNoDataToRead() : ENetTCPConnectionError("No data to read.") {}
};

class ENetIOHandlerPropInvalid : public ENetTCPConnectionError {
public:
  ENetIOHandlerPropInvalid() : ENetTCPConnectionError("IOHandler value is not valid") {}
};

// A TLS connection that failed: the certificate not trusted or for another name, the
// handshake, or a close without close_notify where bytes were still owed.
class ENetTLSError : public ENetException {
public:
  ENetTLSError(platform::tls::Failure kind, std::string message)
      : ENetException(std::move(message)), m_kind(kind) {}
  platform::tls::Failure Kind() const noexcept { return m_kind; }

private:
  platform::tls::Failure m_kind;
};

class ENetSocketHandleError : public ENetException {
public:
  using ENetException::ENetException;
};

class ENetCouldNotBindSocket : public ENetSocketHandleError {
public:
  ENetCouldNotBindSocket()
      : ENetSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class ENetCanNotBindPortInRange : public ENetSocketHandleError {
public:
  ENetCanNotBindPortInRange(int minimum, int maximum)
      : ENetSocketHandleError("Can not bind in port range (" + std::to_string(minimum) + " - " +
                              std::to_string(maximum) + ")") {}
};

class ENetInvalidPortRange : public ENetSocketHandleError {
public:
  ENetInvalidPortRange(int minimum, int maximum)
      : ENetSocketHandleError("Invalid Port Range (" + std::to_string(minimum) + " - " +
                              std::to_string(maximum) + ")") {}
};

class ENetStackError : public ENetException {
public:
  using ENetException::ENetException;
};

class ENetStackInitializationFailed : public ENetStackError {
public:
  ENetStackInitializationFailed() : ENetStackError("Winsock Initialization Error.") {}
};

class ENetStackSetSizeExceeded : public ENetStackError {
public:
  ENetStackSetSizeExceeded() : ENetStackError("Set Size Exceeded.") {}
};

// The socket library could not be loaded, or one of its functions could not be called.
class ENetWS2StubError : public ENetException {
public:
  ENetWS2StubError(std::string title, int win32Error, std::string win32ErrorMessage);
  const std::string& Title() const noexcept { return m_title; }
  int Win32Error() const noexcept { return m_win32Error; }
  const std::string& Win32ErrorMessage() const noexcept { return m_win32ErrorMessage; }

private:
  std::string m_title;
  int m_win32Error;
  std::string m_win32ErrorMessage;
};

class ENetReadTimeout : public ENetException {
public:
  ENetReadTimeout() : ENetException("Read Timeout") {}
};

class ENetReadLnMaxLineLengthExceeded : public ENetException {
public:
  ENetReadLnMaxLineLengthExceeded() : ENetException("Max line length exceeded.") {}
};

class ENetAlreadyConnected : public ENetException {
public:
  ENetAlreadyConnected() : ENetException("Already connected.") {}
};

class ENetClosedSocket : public ENetException {
public:
  ENetClosedSocket() : ENetException("Disconnected.") {}
};

class ENetInvalidSocket : public ENetException {
public:
  ENetInvalidSocket() : ENetException("Cannot allocate socket.") {}
};

} // namespace net
