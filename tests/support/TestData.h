// Data and surroundings shared by the tests: scene bytes, a fresh folder per test case,
// and the multibyte code page the platform's text functions follow.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "PlatformControl.h"

namespace testsupport {

// Bytes of `size` in which every byte value occurs, in a sequence that does not repeat
// with a short period, so that a shifted or truncated copy never compares equal.
inline std::string SceneBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 0x2545F491u;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>((state >> 24) ^ i);
  }
  return bytes;
}

// Removes a test case's folder. The real file dialog makes the chosen file's folder the
// process's current one, and Windows keeps a current folder from being removed: step out
// to its parent (not to the system's temporary folder, which a test may have made this one).
// The dialog's shell also watches the folders it showed and lets go of them a little after
// it closes, so removal is tried again for a while before the test is failed.
inline void RemoveTestFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::current_path(std::filesystem::path(folder).parent_path(), error);
  for (int attempt = 0; attempt < 100; ++attempt) {
    error.clear();
    std::filesystem::remove_all(folder, error);
    if (!error) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ADD_FAILURE() << "cannot remove the test folder " << folder << ": " << error.message();
}

// An empty folder of the running test case's own under the system's temporary folder.
inline long CurrentProcessId() {
#if defined(_WIN32)
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

inline std::string FreshTestFolder(const std::string& prefix) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // The process too: ctest runs a case again beside itself under other settings (another
  // viewer version, another code page).
  std::string id = std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                   std::to_string(CurrentProcessId());
  for (char& c : id)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / (prefix + id);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

// The code pages a table case holds for: 1252, 932, or both.
constexpr int kBothCodePages = 0;

// Runs `check` under each code page `codePage` names (kBothCodePages: 1252, then 932) that
// the platform takes on. The simulation switches to each; a Windows process keeps its own
// ANSI code page, so there only that one runs. Answers how many ran: none means the case
// does not hold for this process and is to be skipped.
template <typename Check>
int RunUnderCodePages(int codePage, Check check) {
  int ran = 0;
  for (const int page : {1252, 932}) {
    if ((codePage != kBothCodePages && codePage != page) || !platform::control::SetCodePage(page))
      continue;
    SCOPED_TRACE("code page " + std::to_string(page));
    check();
    ++ran;
  }
  return ran;
}

// Why a case for `codePage` did not run in this process.
inline std::string CodePageSkipReason(int codePage) {
  return "holds for code page " + std::to_string(codePage) + "; this process runs under " +
         std::to_string(platform::control::CodePage());
}

}  // namespace testsupport
