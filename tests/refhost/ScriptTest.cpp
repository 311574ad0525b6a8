// Session scripts of the refhost tool: what each line means, and the reason given for a
// line that cannot be a command.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Script.h"

namespace {

using refhosttool::Command;
using refhosttool::CommandKind;
using refhosttool::LineKind;

TEST(ScriptTest, CommandsAndTheirArguments) {
  const struct {
    const char* line;
    CommandKind kind;
    const char* text;
    const char* path;
    int number, count, dx, dy;
    double zoom;
    double rect[4] = {0, 0, 0, 0};  // left, bottom, right, top
  } cases[] = {
      {"open a b.pdf", CommandKind::Open, "open a b.pdf", "a b.pdf", 0, 1, 0, 0, 1},
      {"  open x.pdf   # the sample", CommandKind::Open, "open x.pdf", "x.pdf", 0, 1, 0, 0, 1},
      {"open dir#1/x.pdf", CommandKind::Open, "open dir#1/x.pdf", "dir#1/x.pdf", 0, 1, 0, 0, 1},
      {"new 1", CommandKind::New, "new 1", "", 1, 1, 0, 0, 1},
      {"new 1000", CommandKind::New, "new 1000", "", 1000, 1, 0, 0, 1},
      {"create 2 72 432 360 720",
       CommandKind::Create,
       "create 2 72 432 360 720",
       "",
       2,
       1,
       0,
       0,
       1,
       {72, 432, 360, 720}},
      {"create 1 -32768 -0.5 32767 1e-3",
       CommandKind::Create,
       "create 1 -32768 -0.5 32767 1e-3",
       "",
       1,
       1,
       0,
       0,
       1,
       {-32768, -0.5, 32767, 0.001}},
      {"page 3", CommandKind::Page, "page 3", "", 3, 1, 0, 0, 1},
      {"zoom 1.5", CommandKind::Zoom, "zoom 1.5", "", 0, 1, 0, 0, 1.5},
      {"zoom 64", CommandKind::Zoom, "zoom 64", "", 0, 1, 0, 0, 64},
      {"scroll -10 120", CommandKind::Scroll, "scroll -10 120", "", 0, 1, -10, 120, 1},
      {"\tdraw\r", CommandKind::Draw, "draw", "", 0, 1, 0, 0, 1},
      {"click 0", CommandKind::Click, "click 0", "", 0, 1, 0, 0, 1},
      {"click 2 3", CommandKind::Click, "click 2 3", "", 2, 3, 0, 0, 1},
      {"select 1", CommandKind::Select, "select 1", "", 1, 1, 0, 0, 1},
      {"deselect 1", CommandKind::Deselect, "deselect 1", "", 1, 1, 0, 0, 1},
      {"close", CommandKind::Close, "close", "", 0, 1, 0, 0, 1},
      {"delete 2", CommandKind::Delete, "delete 2", "", 2, 1, 0, 0, 1},
      {"undo", CommandKind::Undo, "undo", "", 0, 1, 0, 0, 1},
      {"redo  # again", CommandKind::Redo, "redo", "", 0, 1, 0, 0, 1},
      {"about", CommandKind::About, "about", "", 0, 1, 0, 0, 1},
      {"dialog scenes/a b.mvn", CommandKind::Dialog, "dialog scenes/a b.mvn", "scenes/a b.mvn", 0,
       1, 0, 0, 1},
      {"dialog cancel", CommandKind::Dialog, "dialog cancel", "", 0, 1, 0, 0, 1},
      {"dialog ./cancel", CommandKind::Dialog, "dialog ./cancel", "./cancel", 0, 1, 0, 0, 1},
      {"save out.pdf", CommandKind::Save, "save out.pdf", "out.pdf", 0, 1, 0, 0, 1},
      {"snapshot v.png", CommandKind::Snapshot, "snapshot v.png", "v.png", 0, 1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    Command command;
    std::string error;
    ASSERT_EQ(refhosttool::ParseLine(c.line, &command, &error), LineKind::Command) << c.line;
    EXPECT_EQ(command.kind, c.kind) << c.line;
    EXPECT_EQ(command.text, c.text);
    EXPECT_EQ(command.path, c.path);
    EXPECT_EQ(command.number, c.number) << c.line;
    EXPECT_EQ(command.count, c.count) << c.line;
    EXPECT_EQ(command.dx, c.dx) << c.line;
    EXPECT_EQ(command.dy, c.dy) << c.line;
    EXPECT_EQ(command.zoom, c.zoom) << c.line;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(command.rect[i], c.rect[i]) << c.line;
  }
}

TEST(ScriptTest, BadLinesSayWhy) {
  const char* const createUsage =
      "'create' takes a page number, from 1, and a page rectangle L B R T in points";
  const char* const createNumbers =
      "'create': the rectangle's L B R T are numbers from -32768 to 32767 points";
  const char* const createOrder = "'create': the rectangle needs L < R and B < T";
  const char* const kClickUsage =
      "'click' takes an annotation index N (from 0) or P:N on page P, and a click count, from 1";
  const struct {
    const char* line;
    const char* reason;
  } cases[] = {
      {"fly 3", "unknown command 'fly'"},
      {"Page 3", "unknown command 'Page'"},
      {"open", "'open' takes the path of a PDF file"},
      {"open # nothing", "'open' takes the path of a PDF file"},
      {"page 0", "'page' takes one page number, from 1"},
      {"page 2x", "'page' takes one page number, from 1"},
      {"page 1 2", "'page' takes one page number, from 1"},
      {"zoom 0", "'zoom' takes one zoom factor, more than 0 and at most 64"},
      {"zoom 65", "'zoom' takes one zoom factor, more than 0 and at most 64"},
      {"zoom nan", "'zoom' takes one zoom factor, more than 0 and at most 64"},
      {"scroll 5", "'scroll' takes two distances in device pixels, DX and DY"},
      {"scroll 99999999999 0", "'scroll' takes two distances in device pixels, DX and DY"},
      {"draw now", "'draw' takes no arguments"},
      {"click", kClickUsage},
      {"click 0:1", kClickUsage},
      {"click 2:", kClickUsage},
      {"click 2:-1", kClickUsage},
      {"delete 1:2:3", "'delete' takes one annotation index N (from 0) or P:N on page P"},
      {"layout", "'layout' takes single, continuous, facing or continuous-facing"},
      {"layout sideways", "'layout' takes single, continuous, facing or continuous-facing"},
      {"click -1", kClickUsage},
      {"click 0 0", kClickUsage},
      {"click 0 1 2", kClickUsage},
      {"select", "'select' takes one annotation index N (from 0) or P:N on page P"},
      {"deselect a", "'deselect' takes one annotation index N (from 0) or P:N on page P"},
      {"delete", "'delete' takes one annotation index N (from 0) or P:N on page P"},
      {"delete 0 1", "'delete' takes one annotation index N (from 0) or P:N on page P"},
      {"undo 2", "'undo' takes no arguments"},
      {"about x", "'about' takes no arguments"},
      {"dialog", "'dialog' takes the path the next file dialog answers, or 'cancel'"},
      {"save", "'save' takes the path of a PDF file"},
      {"snapshot  # none", "'snapshot' takes the path of a PNG file"},
      {"saveas x.pdf", "unknown command 'saveas'"},
      {"new", "'new' takes a page count, from 1 to 1000"},
      {"new 0", "'new' takes a page count, from 1 to 1000"},
      {"new 1001", "'new' takes a page count, from 1 to 1000"},
      {"new 2 3", "'new' takes a page count, from 1 to 1000"},
      {"create 1 0 0 10", createUsage},
      {"create 0 0 0 10 10", createUsage},
      {"create 1 0 0 10 10 5", createUsage},
      {"create 1 0 0 inf 10", createNumbers},
      {"create 1 0 nan 10 10", createNumbers},
      {"create 1 0 0 32768 10", createNumbers},
      {"create 1 -32769 0 10 10", createNumbers},
      {"create 1 0 0 10 1x", createNumbers},
      {"create 1 10 0 10 10", createOrder},
      {"create 1 0 20 10 10", createOrder},
  };
  for (const auto& c : cases) {
    Command command;
    std::string error;
    EXPECT_EQ(refhosttool::ParseLine(c.line, &command, &error), LineKind::Bad) << c.line;
    EXPECT_EQ(error, c.reason) << c.line;
  }
}

TEST(ScriptTest, ScriptsSkipCommentsAndBlankLinesAndStopAtTheFirstBadLine) {
  std::istringstream good("# a session\n\nopen x.pdf\n   \n  # page 2\npage 2\n");
  std::vector<Command> commands;
  int badLine = 0;
  std::string error;
  ASSERT_TRUE(refhosttool::ParseScript(good, &commands, &badLine, &error));
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].line, 3);
  EXPECT_EQ(commands[1].line, 6);

  std::istringstream bad("open x.pdf\n\npage\nfly\n");
  commands.clear();
  EXPECT_FALSE(refhosttool::ParseScript(bad, &commands, &badLine, &error));
  EXPECT_EQ(badLine, 3);
  EXPECT_EQ(error, "'page' takes one page number, from 1");
}

}  // namespace
