// copy64k SOURCE TARGET: copies a file through a 64 KiB buffer with ReadFile and WriteFile
// (read(2) and write(2) elsewhere) and prints the time the copy took, as the yardstick for
// the plug-in's extraction of the same bytes (bench/windows-speed.sh).
#include <chrono>
#include <cstdio>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy64k SOURCE TARGET\n");
    return 2;
  }
  std::vector<char> buffer(64 * 1024);
  unsigned long long total = 0;
  const auto start = std::chrono::steady_clock::now();
#if defined(_WIN32)
  HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "copy64k: cannot open the files (error %lu)\n", GetLastError());
    return 1;
  }
  DWORD n = 0;
  while (ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0) {
    DWORD written = 0;
    if (!WriteFile(out, buffer.data(), n, &written, nullptr) || written != n) {
      std::fprintf(stderr, "copy64k: a write failed\n");
      return 1;
    }
    total += n;
  }
  CloseHandle(in);
  CloseHandle(out);
#else
  const int in = open(argv[1], O_RDONLY);
  const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) {
    std::perror("copy64k");
    return 1;
  }
  for (ssize_t n; (n = read(in, buffer.data(), buffer.size())) > 0; total += n)
    if (write(out, buffer.data(), static_cast<size_t>(n)) != n) {
      std::perror("copy64k");
      return 1;
    }
  close(in);
  close(out);
#endif
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("copy64k: %llu bytes in %.1f ms\n", total, ms);
  return 0;
}
