#include "WebSite.h"

#include <algorithm>

#include "ServerSocket.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
    text.replace(at, from.size(), to), at += to.size();
  return text;
}

// A value for nginx's configuration: in quotes, with its own escapes.
std::string Quoted(const std::string& text) {
  return "\"" + ReplaceAll(ReplaceAll(text, "\\", "\\\\"), "\"", "\\\"") + "\"";
}

} // namespace

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    lines.push_back(line);
  return lines;
}

std::uint16_t FreePort(const std::string& address) {
  std::uint16_t port = 0;
  CloseSocket(ListenOnLoopback(0, 1, port, address));
  return port;
}

WebSite::WebSite(WebSiteOptions options) : m_options(std::move(options)) {
  const char* tls = std::getenv("KOLVARIN_TEST_TLS");
  if (!tls)
    throw std::runtime_error("no test certificates: run the tests through scripts/test");
  for (const auto& [path, bytes] : m_options.files) {
    const fs::path file = m_folder.Path() / "site" / fs::path(path).relative_path();
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }
  fs::create_directories(m_folder.Path() / "nginx");
  // Another program may take a port between our look and nginx's bind: then new ports.
  std::string failure;
  for (int attempt = 0; attempt < 3 && !m_started; ++attempt) {
    m_httpsPort = FreePort(m_options.address);
    m_httpPort = FreePort(m_options.address);
    Start();
    if (!m_started)
      failure = ReadText(m_folder.Path() / "start.log") +
                ReadText(m_folder.Path() / "nginx" / "error.log");
  }
  if (!m_started)
    throw std::runtime_error("nginx did not start: " + failure);
}

void WebSite::Start() {
  const std::string tls = std::getenv("KOLVARIN_TEST_TLS");
  const std::string d = m_folder.Unix("nginx");
  std::ostringstream conf;
  conf << "worker_processes 1;\nerror_log " << d << "/error.log;\npid " << d << "/nginx.pid;\n"
       << "events { worker_connections 64; }\nhttp {\n"
       << "  log_format requests '$scheme $request_method $uri $status';\n"
       << "  access_log " << d << "/access.log requests;\n";
  for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    conf << "  " << temp << "_temp_path " << d << "/" << temp << ";\n";
  conf << "  default_type application/octet-stream;\n  server {\n"
       << "    listen " << m_options.address << ":" << m_httpsPort << " ssl;\n"
       << "    listen " << m_options.address << ":" << m_httpPort << ";\n"
       << "    ssl_certificate " << tls << "/" << m_options.certificate << ".pem;\n"
       << "    ssl_certificate_key " << tls << "/" << m_options.certificate << ".key;\n"
       << "    ssl_protocols TLSv1.2 TLSv1.3;\n"
       // A relative Location goes out as it is written.
       << "    absolute_redirect off;\n"
       << "    limit_rate " << m_options.rate << ";\n"
       << "    root " << m_folder.Unix("site") << ";\n";
  for (const WebRedirect& redirect : m_options.redirects)
    conf << "    location = " << Quoted(redirect.path) << " { return " << redirect.status << " "
         << Quoted(Origins(redirect.location)) << "; }\n";
  conf << "  }\n}\n";
  std::ofstream(m_folder.Path() / "nginx" / "nginx.conf", std::ios::binary) << conf.str();
  fs::remove(m_folder.Path() / "nginx" / "nginx.pid");
  // nginx listens before it leaves for the background, and writes its pid file after: the
  // stop needs that file.
  const std::string command = "nginx -p " + ShellQuoted(d) + " -e " +
                              ShellQuoted(d + "/error.log") + " -c " +
                              ShellQuoted(d + "/nginx.conf");
  m_started = m_folder.RunScript("start", "set -e\nchmod -R a+rX " + ShellQuoted(m_folder.Unix()) +
                                              "\n" + command + "\nfor i in $(seq 200); do [ -s " +
                                              ShellQuoted(d + "/nginx.pid") +
                                              " ] && exit 0; sleep 0.05; done\nexit 1") == 0;
}

WebSite::~WebSite() {
  if (!m_started)
    return;
  const std::string d = m_folder.Unix("nginx");
  // nginx's own stop, which signals the server named in its pid file; gone when the file is.
  m_folder.RunScript(
      "stop", "nginx -p " + ShellQuoted(d) + " -e " + ShellQuoted(d + "/error.log") + " -c " +
                  ShellQuoted(d + "/nginx.conf") + " -s stop\nfor i in $(seq 200); do [ -e " +
                  ShellQuoted(d + "/nginx.pid") + " ] || exit 0; sleep 0.05; done\nexit 1");
}

std::string WebSite::Origins(std::string location) const {
  location = ReplaceAll(location, "{https}",
                        "https://" + m_options.serverName + ":" + std::to_string(m_httpsPort));
  return ReplaceAll(location, "{http}",
                    "http://" + m_options.serverName + ":" + std::to_string(m_httpPort));
}

std::string WebSite::HttpsURL(const std::string& path) const {
  return "https://" + m_options.serverName + ":" + std::to_string(m_httpsPort) + path;
}

std::string WebSite::HttpURL(const std::string& path) const {
  return "http://" + m_options.serverName + ":" + std::to_string(m_httpPort) + path;
}

std::vector<std::string> WebSite::AccessLog() const {
  return ReadLines(m_folder.Path() / "nginx" / "access.log");
}

std::vector<std::string> WebSite::AccessLogSince(std::size_t& seen) const {
  std::vector<std::string> lines = AccessLog();
  const std::size_t from = std::min(seen, lines.size());
  seen = lines.size();
  return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
}

} // namespace testsupport
