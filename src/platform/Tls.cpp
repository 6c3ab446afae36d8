#include "platform/Tls.h"

namespace platform::tls {

const char* FailureText(Failure failure) {
  switch (failure) {
  case Failure::NotTrusted:
    return "the server's certificate is not trusted";
  case Failure::NameMismatch:
    return "the server's certificate is for another name";
  case Failure::Expired:
    return "the server's certificate has expired or is not yet valid";
  case Failure::Handshake:
    return "the handshake failed";
  case Failure::Transport:
    return "the connection failed during the handshake";
  case Failure::Truncated:
    return "the server closed the connection without close_notify before the end";
  }
  return "failed";
}

} // namespace platform::tls
