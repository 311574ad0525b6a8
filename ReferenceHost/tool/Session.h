// Runs the commands of a session script against the reference host's viewer, one
// document at a time shown in one page view with a window. Each command prints its own
// result (a listing of the page's annotations, what a click hit, whether an undo was taken,
// the size of a file saved); what the plug-in did meanwhile is the Transcript's.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#include "HostAbi.h"
#include "Script.h"

namespace refhosttool {

// A command that cannot run; what() says why.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Session {
 public:
  explicit Session(std::FILE* out);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs one command and prints its own result; throws CommandError when it cannot run.
  void Run(const Command& command);
  bool HasDocument() const { return doc_ != nullptr; }
  // Closes the document still open, as the viewer does on exit.
  void CloseDocument();

 private:
  void RunCommand(const Command& command);
  void ShowNewView(refhost::Handle doc);
  void CreatePlayer(const Command& command);
  void ShowPage(int number);
  void RequireDocument(const Command& command) const;
  void UndoOrRedo(bool redo);
  void RunAboutItem();
  void WriteFile(const Command& command);
  // The page (index from 0) of the command's annotation, which must be there and on a page
  // the view shows; else CommandError.
  int CheckAnnotation(const Command& command, bool needsHandler) const;
  void ListAnnotations() const;

  std::FILE* out_;
  std::string folder_;  // Windows: the working folder the script's paths are relative to
  refhost::Handle doc_ = nullptr;
  refhost::Handle view_ = nullptr;
};

}  // namespace refhosttool
