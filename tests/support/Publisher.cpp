#include "Publisher.h"

#include "Signing.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace testsupport {

namespace fs = std::filesystem;

Publisher::Publisher(const std::optional<std::string>& version,
                     const std::optional<std::string>& player, const std::string& rate,
                     const std::optional<std::string>& signature) {
  const fs::path site = m_dir.Path() / "site" / "programlar" / "radyo";
  fs::create_directories(site);
  fs::create_directories(m_dir.Path() / "nginx");
  if (version)
    WriteBytes(site / "kolvarin.txt", *version);
  if (player)
    WriteBytes(site / "Kolvarin.exe", *player);
  if (signature)
    WriteBytes(site / "Kolvarin.exe.sig", *signature);
  fs::permissions(m_dir.Path(), fs::perms(0755));
  for (const auto& entry : fs::recursive_directory_iterator(m_dir.Path()))
    fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
  const std::string d = m_dir.Path().string();
  // With the tests' certificate authority (scripts/test), the same files over https on 443.
  std::string tls;
  if (const char* certificates = std::getenv("KOLVARIN_TEST_TLS"))
    tls = std::string("    listen 127.0.0.3:443 ssl;\n    ssl_certificate ") + certificates +
          "/server.pem;\n    ssl_certificate_key " + certificates + "/server.key;\n";
  std::ofstream(m_dir.Path() / "nginx" / "nginx.conf")
      << "worker_processes 1;\nerror_log " << d << "/nginx/error.log;\npid " << d
      << "/nginx/nginx.pid;\nevents { worker_connections 16; }\nhttp {\n"
      << "  log_format scheme '$scheme \"$request\" $status $body_bytes_sent';\n  access_log " << d
      << "/nginx/access.log scheme;\n  client_body_temp_path " << d << "/nginx/body;\n  proxy_temp_path "
      << d << "/nginx/proxy;\n  fastcgi_temp_path " << d << "/nginx/fcgi;\n  uwsgi_temp_path " << d
      << "/nginx/uwsgi;\n  scgi_temp_path " << d << "/nginx/scgi;\n"
      << "  default_type application/octet-stream;\n  server {\n    listen 127.0.0.3:80;\n"
      << tls
      << "    root " << d << "/site;\n    location = /programlar/radyo/Kolvarin.exe { limit_rate "
      << rate << "; }\n  }\n}\n";
  m_nginx = std::make_unique<ChildProcess>(
      "/usr/sbin/nginx",
      StartOptions{.args = {"-p", d + "/nginx", "-e", d + "/nginx/error.log", "-c",
                            d + "/nginx/nginx.conf", "-g", "daemon off;"}});
  WaitFor([&] { return fs::exists(m_dir.Path() / "nginx" / "nginx.pid"); }, 5s);
  std::this_thread::sleep_for(100ms);
}

Publisher::~Publisher() {
  // nginx stops its workers itself on SIGTERM; SIGKILL would leave them holding the port.
  kill(m_nginx->Pid(), SIGTERM);
  m_nginx->WaitExit(10s);
  if (std::getenv("KOLVARIN_E2E_DEBUG"))
    std::cerr << ReadBytes(m_dir.Path() / "nginx" / "error.log")
              << ReadBytes(m_dir.Path() / "nginx" / "access.log");
}

std::string Publisher::AccessLog() const {
  return ReadBytes(m_dir.Path() / "nginx" / "access.log");
}

} // namespace testsupport
