// The floor of the download engine on Windows: the system's WinINet alone, reading the body
// 1025 bytes at a time into a file, as the engine does, with nothing on top.
//   kv-wininet-loop URL FILE   prints "BYTES SECONDS"
#include <chrono>
#include <cstdio>
#include <windows.h>
#include <wininet.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kv-wininet-loop URL FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  HINTERNET session = InternetOpenA("loop", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = InternetOpenUrlA(session, argv[1], nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  std::FILE* file = std::fopen(argv[2], "wb");
  if (!request || !file)
    return 1;
  char chunk[1025];
  DWORD count = 0;
  long long total = 0;
  while (InternetReadFile(request, chunk, sizeof chunk, &count) && count > 0) {
    std::fwrite(chunk, 1, count, file);
    total += count;
  }
  std::fclose(file);
  InternetCloseHandle(request);
  InternetCloseHandle(session);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("%lld %.4f\n", total, seconds.count());
  return 0;
}
