#include "ForwardProxy.h"

#include "WebSite.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

constexpr const char* Address = "127.0.0.7";

// Characters other than letters, digits and "-._~" percent-encoded, as a URL's user part needs.
std::string PercentEncoded(const std::string& text) {
  static const char* const hex = "0123456789ABCDEF";
  std::string encoded;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~')
      encoded += static_cast<char>(c);
    else
      encoded += {'%', hex[c >> 4], hex[c & 15]};
  }
  return encoded;
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

ForwardProxy::ForwardProxy(std::optional<ProxyUser> signIn) : m_signIn(std::move(signIn)) {
  std::string failure;
  for (int attempt = 0; attempt < 3 && !m_started; ++attempt) {
    m_port = FreePort(Address);
    const std::string d = m_folder.Unix();
    std::ostringstream conf;
    conf << "http_port " << Address << ":" << m_port << "\n"
         << "pid_filename " << d << "/squid.pid\n"
         << "logformat requests %rm %ru %>Hs %un\n"
         << "access_log stdio:" << d << "/access.log requests\n"
         << "cache_log " << d << "/cache.log\ncache_store_log none\ncoredump_dir " << d << "\n"
         << "cache deny all\ncache_effective_user proxy\npinger_enable off\n"
         << "shutdown_lifetime 0 seconds\n"
         << "acl loopback src 127.0.0.0/8\n";
    if (m_signIn) {
      conf << "auth_param basic program /usr/lib/squid/basic_ncsa_auth " << d << "/passwords\n"
           << "auth_param basic realm kolvarin\n"
           << "acl signedIn proxy_auth REQUIRED\n"
           << "http_access allow loopback signedIn\n";
    } else {
      conf << "http_access allow loopback\n";
    }
    conf << "http_access deny all\n";
    std::ofstream(m_folder.Path() / "squid.conf", std::ios::binary) << conf.str();
    std::string script = "set -e\nrm -f cache.log\n";
    if (m_signIn)
      script += "htpasswd -b -c passwords " + ShellQuoted(m_signIn->name) + " " +
                ShellQuoted(m_signIn->password) + "\n";
    // squid works as "proxy": its logs and pid file are written as that user. It leaves for the
    // background before it listens: its log says when it does.
    script += "chown -R proxy:proxy .\nchmod 755 .\n" + Command() +
              "\nfor i in $(seq 300); do grep -q 'Accepting HTTP Socket connections' cache.log "
              "2>/dev/null && exit 0; sleep 0.05; done\nexit 1";
    m_started = m_folder.RunScript("start", "cd " + ShellQuoted(d) + "\n" + script) == 0;
    if (!m_started) {
      failure = ReadText(m_folder.Path() / "start.log") + ReadText(m_folder.Path() / "cache.log");
      m_folder.RunScript("stop", Command() + " -k kill");
    }
  }
  if (!m_started)
    throw std::runtime_error("squid did not start: " + failure);
}

ForwardProxy::~ForwardProxy() {
  if (!m_started)
    return;
  m_folder.RunScript("stop", Command() + " -k shutdown\nfor i in $(seq 200); do [ -e " +
                                 ShellQuoted(m_folder.Unix("squid.pid")) +
                                 " ] || exit 0; sleep 0.05; done\nexit 1");
}

// A service name of its own: squids of suites run side by side keep apart.
std::string ForwardProxy::Command() const {
  return "squid -n kolvarin" + std::to_string(m_port) + " -f " +
         ShellQuoted(m_folder.Unix("squid.conf"));
}

std::string ForwardProxy::URL(bool withCredentials) const {
  if (withCredentials && m_signIn)
    return URL(*m_signIn);
  return std::string("http://") + Address + ":" + std::to_string(m_port);
}

std::string ForwardProxy::URL(const ProxyUser& user) const {
  return "http://" + PercentEncoded(user.name) + ":" + PercentEncoded(user.password) + "@" +
         Address + ":" + std::to_string(m_port);
}

std::vector<std::string> ForwardProxy::AccessLog() const {
  return ReadLines(m_folder.Path() / "access.log");
}

bool ForwardProxy::WaitForLine(std::size_t from, const std::string& line,
                               std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const std::vector<std::string> log = AccessLog();
    for (std::size_t i = from; i < log.size(); ++i) {
      if (log[i] == line)
        return true;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

} // namespace testsupport
