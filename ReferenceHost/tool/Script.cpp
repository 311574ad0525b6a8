#include "Script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "PageLayout.h"

namespace refhosttool {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The line without its comment (from a `#` at the start or after a blank) and without
// blanks around it.
std::string StripLine(const std::string& line) {
  size_t end = line.size();
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || IsBlank(line[i - 1]))) {
      end = i;
      break;
    }
  }
  size_t begin = 0;
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

bool ParseInt(const std::string& text, int* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L) return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

// A page rectangle L B R T at words[2..5]: finite numbers the host's fixed point holds, with
// left below right and bottom below top. Empty when fine, else what is wrong.
std::string RectangleArguments(const std::vector<std::string>& words, Command* command) {
  for (int i = 0; i < 4; ++i) {
    double& value = command->rect[i];
    if (!ParseDouble(words[2 + i], &value) || value < kMinCoordinate || value > kMaxCoordinate)
      return "'create': the rectangle's L B R T are numbers from " +
             std::to_string(static_cast<int>(kMinCoordinate)) + " to " +
             std::to_string(static_cast<int>(kMaxCoordinate)) + " points";
  }
  if (!(command->rect[0] < command->rect[2]) || !(command->rect[1] < command->rect[3]))
    return "'create': the rectangle needs L < R and B < T";
  return std::string();
}

// An annotation at words[1]: N (from 0) on the current page, or P:N on page P (from 1).
bool AnnotationArgument(const std::vector<std::string>& words, Command* command) {
  if (words.size() < 2) return false;
  const std::string& word = words[1];
  const size_t colon = word.find(':');
  command->annotPage = 0;
  if (colon != std::string::npos &&
      !(ParseInt(word.substr(0, colon), &command->annotPage) && command->annotPage >= 1))
    return false;
  const std::string index = colon == std::string::npos ? word : word.substr(colon + 1);
  return ParseInt(index, &command->number) && command->number >= 0;
}

}  // namespace

LineKind ParseLine(const std::string& line, Command* command, std::string* error) {
  const std::string text = StripLine(line);
  if (text.empty()) return LineKind::Empty;
  std::vector<std::string> words;
  std::istringstream split(text);
  for (std::string word; split >> word;) words.push_back(word);
  const std::string& name = words[0];

  Command parsed;
  parsed.text = text;
  bool ok = false;
  if (name == "open" || name == "save" || name == "snapshot") {
    parsed.kind = name == "open"   ? CommandKind::Open
                  : name == "save" ? CommandKind::Save
                                   : CommandKind::Snapshot;
    parsed.path = StripLine(text.substr(name.size()));
    ok = !parsed.path.empty();
    if (!ok)
      *error =
          "'" + name + "' takes the path of a " + (name == "snapshot" ? "PNG" : "PDF") + " file";
  } else if (name == "dialog") {
    parsed.kind = CommandKind::Dialog;
    parsed.path = StripLine(text.substr(name.size()));
    ok = !parsed.path.empty();
    if (parsed.path == "cancel") parsed.path.clear();
    if (!ok) *error = "'dialog' takes the path the next file dialog answers, or 'cancel'";
  } else if (name == "new") {
    parsed.kind = CommandKind::New;
    ok = words.size() == 2 && ParseInt(words[1], &parsed.number) && parsed.number >= 1 &&
         parsed.number <= kMaxNewPages;
    if (!ok) *error = "'new' takes a page count, from 1 to " + std::to_string(kMaxNewPages);
  } else if (name == "create") {
    parsed.kind = CommandKind::Create;
    ok = words.size() == 6 && ParseInt(words[1], &parsed.number) && parsed.number >= 1;
    if (!ok) {
      *error = "'create' takes a page number, from 1, and a page rectangle L B R T in points";
    } else {
      *error = RectangleArguments(words, &parsed);
      ok = error->empty();
    }
  } else if (name == "page") {
    parsed.kind = CommandKind::Page;
    ok = words.size() == 2 && ParseInt(words[1], &parsed.number) && parsed.number >= 1;
    if (!ok) *error = "'page' takes one page number, from 1";
  } else if (name == "zoom") {
    parsed.kind = CommandKind::Zoom;
    ok = words.size() == 2 && ParseDouble(words[1], &parsed.zoom) && parsed.zoom > 0 &&
         parsed.zoom <= 64;
    if (!ok) *error = "'zoom' takes one zoom factor, more than 0 and at most 64";
  } else if (name == "scroll") {
    parsed.kind = CommandKind::Scroll;
    ok = words.size() == 3 && ParseInt(words[1], &parsed.dx) && ParseInt(words[2], &parsed.dy);
    if (!ok) *error = "'scroll' takes two distances in device pixels, DX and DY";
  } else if (name == "draw" || name == "close" || name == "undo" || name == "redo" ||
             name == "about") {
    parsed.kind = name == "draw"    ? CommandKind::Draw
                  : name == "close" ? CommandKind::Close
                  : name == "undo"  ? CommandKind::Undo
                  : name == "redo"  ? CommandKind::Redo
                                    : CommandKind::About;
    ok = words.size() == 1;
    if (!ok) *error = "'" + name + "' takes no arguments";
  } else if (name == "click") {
    parsed.kind = CommandKind::Click;
    ok = (words.size() == 2 || words.size() == 3) && AnnotationArgument(words, &parsed) &&
         (words.size() == 2 || (ParseInt(words[2], &parsed.count) && parsed.count >= 1));
    if (!ok)
      *error =
          "'click' takes an annotation index N (from 0) or P:N on page P, and a click count, "
          "from 1";
  } else if (name == "select" || name == "deselect" || name == "delete") {
    parsed.kind = name == "select"     ? CommandKind::Select
                  : name == "deselect" ? CommandKind::Deselect
                                       : CommandKind::Delete;
    ok = words.size() == 2 && AnnotationArgument(words, &parsed);
    if (!ok) *error = "'" + name + "' takes one annotation index N (from 0) or P:N on page P";
  } else if (name == "layout") {
    parsed.kind = CommandKind::Layout;
    refhost::Layout layout;
    ok = words.size() == 2 && refhost::LayoutFromName(words[1], &layout);
    if (ok) parsed.path = words[1];
    if (!ok) *error = "'layout' takes single, continuous, facing or continuous-facing";
  } else {
    *error = "unknown command '" + name + "'";
  }
  if (!ok) return LineKind::Bad;
  *command = parsed;
  return LineKind::Command;
}

bool ParseScript(std::istream& in, std::vector<Command>* commands, int* badLine,
                 std::string* error) {
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    Command command;
    switch (ParseLine(line, &command, error)) {
      case LineKind::Empty:
        break;
      case LineKind::Command:
        command.line = number;
        commands->push_back(command);
        break;
      case LineKind::Bad:
        *badLine = number;
        return false;
    }
  }
  return true;
}

}  // namespace refhosttool
