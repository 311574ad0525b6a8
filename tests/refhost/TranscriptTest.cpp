// How the refhost transcript prints an alert's text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Transcript.h"

namespace {

// What `print` wrote into a temporary file.
template <typename F>
std::string Printed(F&& print) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return "(no temporary file)";
  print(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

TEST(TranscriptTest, AlertsOfSeveralLinesStandUnderTheirFirstLine) {
  const struct {
    const char* text;
    const char* printed;
  } cases[] = {
      {"one line", "  alert: one line\n"},
      {"", "  alert: \n"},
      {"first\nsecond", "  alert: first\n         second\n"},
      {"first\r\nsecond\r\n", "  alert: first\n         second\n"},
      {"first\n\nthird", "  alert: first\n         \n         third\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Printed([&](std::FILE* out) { refhosttool::PrintAlert(out, "  alert: ", c.text); }),
              c.printed)
        << c.text;
}

}  // namespace
