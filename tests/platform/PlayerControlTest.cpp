// The player library stand-in: its journal of calls and its call-order checks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PlayerJournal.h"

namespace {

void* const A = reinterpret_cast<void*>(0x1000);
void* const B = reinterpret_cast<void*>(0x2000);
const int C = kMvnCreateGUI, S = kMvnSetFileName, M = kMvnMoveWindow, D = kMvnDeleteGUI;

MvnJournalEntry Entry(int index) {
  MvnJournalEntry entry{};
  EXPECT_EQ(mvnJournalGet(index, &entry), 1);
  return entry;
}

void Perform(int kind, void* window) {
  char path[] = "scene.mvn";
  if (kind == C) mvnCreateGUI(window, 0);
  if (kind == S) mvnSetFileName(window, path);
  if (kind == M) mvnMoveWindow(window, 0, 0, 10, 10);
  if (kind == D) mvnDeleteGUI(window);
}

TEST(PlayerControl, CallsOutOfOrderAreFlagged) {
  struct Call {
    int kind;
    void* window;
    const char* problem;  // expected, "" for none
  };
  const char* const kTwice = "mvnCreateGUI on a window that already has a player";
  const std::vector<std::vector<Call>> cases = {
      {{C, A, ""}, {S, A, ""}, {M, A, ""}, {M, A, ""}, {D, A, ""}, {C, A, ""}, {D, A, ""}},
      {{S, A, "mvnSetFileName before mvnCreateGUI"},
       {M, A, "mvnMoveWindow before mvnCreateGUI"},
       {D, A, "mvnDeleteGUI before mvnCreateGUI"}},
      {{C, A, ""}, {M, A, "mvnMoveWindow before mvnSetFileName"}, {S, A, ""}, {M, A, ""}},
      {{C, A, ""}, {C, A, kTwice}, {S, A, ""}, {C, A, kTwice}},
      {{C, A, ""}, {S, A, ""}, {S, A, "mvnSetFileName on a player that already has a file"}},
      {{C, A, ""},
       {D, A, ""},
       {M, A, "mvnMoveWindow after mvnDeleteGUI"},
       {S, A, "mvnSetFileName after mvnDeleteGUI"},
       {D, A, "mvnDeleteGUI after mvnDeleteGUI"}},
      {{C, A, ""},
       {S, A, ""},
       {C, B, ""},
       {M, A, ""},
       {M, B, "mvnMoveWindow before mvnSetFileName"}},
  };
  for (size_t n = 0; n < cases.size(); ++n) {
    mvnJournalClear();
    int violations = 0;
    for (const Call& call : cases[n]) Perform(call.kind, call.window);
    ASSERT_EQ(mvnJournalCount(), static_cast<int>(cases[n].size())) << "case " << n;
    for (size_t i = 0; i < cases[n].size(); ++i) {
      const MvnJournalEntry entry = Entry(static_cast<int>(i));
      EXPECT_EQ(entry.kind, cases[n][i].kind) << "case " << n << " call " << i;
      EXPECT_EQ(entry.window, cases[n][i].window) << "case " << n << " call " << i;
      EXPECT_STREQ(entry.problem, cases[n][i].problem) << "case " << n << " call " << i;
      violations += cases[n][i].problem[0] != '\0';
    }
    EXPECT_EQ(mvnJournalViolations(), violations) << "case " << n;
  }
  mvnJournalClear();
  EXPECT_EQ(mvnJournalCount() + mvnJournalViolations(), 0);
  Perform(S, A);  // the window's stage went with the clear
  EXPECT_STREQ(Entry(0).problem, "mvnSetFileName before mvnCreateGUI");
}

TEST(PlayerControl, ArgumentsAndTheSceneFileAreRecorded) {
  mvnJournalClear();
  std::string scene = ::testing::TempDir() + "mvn-player-scene.mvn";
  std::FILE* file = std::fopen(scene.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("12345", file);
  std::fclose(file);
  std::string missing = scene + ".missing", folder = ::testing::TempDir(), longPath(2000, 'p');
  mvnMoveWindow(A, 1, 2, 30, 40);
  for (std::string* path : {&scene, &missing, &folder, &longPath}) mvnSetFileName(A, &(*path)[0]);
  std::remove(scene.c_str());

  const MvnJournalEntry move = Entry(0);
  EXPECT_EQ(std::vector<int>(move.args, move.args + 4), (std::vector<int>{1, 2, 30, 40}));
  EXPECT_EQ(Entry(1).path, scene);
  EXPECT_EQ(Entry(1).fileExists, 1);
  EXPECT_EQ(Entry(1).fileSize, 5);
  for (int index : {2, 3, 4}) {
    EXPECT_EQ(Entry(index).fileExists, 0) << index;
    EXPECT_EQ(Entry(index).fileSize, -1) << index;
  }
  EXPECT_EQ(Entry(4).path, longPath.substr(0, sizeof move.path - 1));
  MvnJournalEntry none;
  EXPECT_EQ(mvnJournalGet(mvnJournalCount(), &none) + mvnJournalGet(-1, &none), 0);
  mvnJournalClear();
}

}  // namespace
