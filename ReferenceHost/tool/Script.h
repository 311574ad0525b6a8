// Session scripts of the refhost tool: one command a line, `#` starts a comment, blank
// lines are ignored.
//
//   open PATH         open a PDF file and show its page 1 in a new page view
//   page N            show page N (from 1)
//   zoom Z            zoom factor, 0 < Z <= 64
//   scroll DX DY      scroll by DX, DY device pixels
//   draw              draw the page shown
//   click N [COUNT]   click annotation N (from 0, Annots order) COUNT times (default 1)
//   select N          add annotation N to the selection
//   deselect N        take annotation N out of the selection
//   close             close the document
//   delete N          select annotation N and press Delete
//   undo, redo        undo or redo on the open document
//   dialog PATH       the next file dialog answers PATH
//   dialog cancel     the next file dialog is cancelled
//   about             run the item the plug-in added to the "AboutExtensions" menu
//   save PATH         save the document as a PDF file
//   snapshot PATH     write a PNG of the page view
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace refhosttool {

enum class CommandKind {
  Open,
  Page,
  Zoom,
  Scroll,
  Draw,
  Click,
  Select,
  Deselect,
  Close,
  Delete,
  Undo,
  Redo,
  Dialog,
  About,
  Save,
  Snapshot
};

struct Command {
  CommandKind kind = CommandKind::Draw;
  int line = 0;      // line number in the script, from 1
  std::string text;  // the command as written, without comment and surrounding blanks
  std::string path;  // open, dialog (empty for cancel), save, snapshot
  int number = 0;    // page: the page (from 1); click, select, deselect, delete: the annotation
  int count = 1;     // click
  int dx = 0, dy = 0;
  double zoom = 1;
};

enum class LineKind { Empty, Command, Bad };

// Parses one line; for a bad line, `error` says why.
LineKind ParseLine(const std::string& line, Command* command, std::string* error);

// Parses a whole script; false with the bad line's number and the reason on the first
// bad line.
bool ParseScript(std::istream& in, std::vector<Command>* commands, int* badLine,
                 std::string* error);

}  // namespace refhosttool
