#include "net/NetExceptions.h"

namespace net {

ENetWS2StubError::ENetWS2StubError(std::string title, int win32Error, std::string win32ErrorMessage)
    : ENetException(win32Error == 0 ? title : title + ": " + win32ErrorMessage),
      m_title(std::move(title)), m_win32Error(win32Error),
      m_win32ErrorMessage(std::move(win32ErrorMessage)) {}

} // namespace net
