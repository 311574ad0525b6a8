// Data and surroundings shared by the tests: scene bytes, a fresh folder per test case,
// and the multibyte code page the platform's text functions follow.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <mbctype.h>

#include <clocale>
#else
#include "PlatformControl.h"
#endif

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
// process's current one, and Windows keeps a current folder from being removed: step out.
inline void RemoveTestFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
  std::filesystem::remove_all(folder);
}

// An empty folder of the running test case's own under the system's temporary folder.
inline std::string FreshTestFolder(const std::string& prefix) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string id = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : id)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / (prefix + id);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

// The multibyte code page of the platform's text functions: the run-time library's on
// Windows, the simulation's elsewhere.
inline void SelectCodePage(int codePage) {
#if defined(_WIN32)
  const std::string locale = "." + std::to_string(codePage);
  std::setlocale(LC_ALL, locale.c_str());
  _setmbcp(codePage);
#else
  platform::control::SetCodePage(codePage);
#endif
}

}  // namespace testsupport
