// Session scripts of the refhost tool: one command a line, `#` starts a comment, blank
// lines are ignored.
//
//   open PATH         open a PDF file and show its page 1 in a new page view
//   new PAGES         a new document of PAGES Letter pages, page 1 in a new page view
//   page N            show page N (from 1)
//   zoom Z            zoom factor, 0 < Z <= 64
//   scroll DX DY      scroll by DX, DY device pixels
//   draw              draw the page shown
//   layout NAME       the view's layout: single, continuous, facing, continuous-facing
//   click N [COUNT]   click annotation N (from 0, Annots order) COUNT times (default 1);
//                     N is of the current page, P:N annotation N of page P (any page shown)
//   select N          add annotation N to the selection
//   deselect N        take annotation N out of the selection
//   close             close the document
//   delete N          select annotation N and press Delete
//   create P L B R T  the plug-in's creation sequence on page P at the page rectangle
//                     L B R T (points)
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
  New,
  Page,
  Zoom,
  Scroll,
  Draw,
  Click,
  Select,
  Deselect,
  Close,
  Delete,
  Create,
  Undo,
  Redo,
  Dialog,
  About,
  Save,
  Snapshot,
  Layout
};

struct Command {
  CommandKind kind = CommandKind::Draw;
  int line = 0;       // line number in the script, from 1
  std::string text;   // the command as written, without comment and surrounding blanks
  std::string path;   // open, dialog (empty for cancel), save, snapshot; layout: its name
  int number = 0;     // page, create: the page (from 1); new: the page count; click, select,
                      // deselect, delete: the annotation
  int annotPage = 0;  // click, select, deselect, delete: P of P:N (from 1), 0 for the current
  int count = 1;      // click
  int dx = 0, dy = 0;
  double zoom = 1;
  double rect[4] = {0, 0, 0, 0};  // create: left, bottom, right, top in points
};

// Pages a `new` document may have.
constexpr int kMaxNewPages = 1000;
// Page coordinates in points that the host's 16.16 fixed point holds.
constexpr double kMinCoordinate = -32768;
constexpr double kMaxCoordinate = 32767;

enum class LineKind { Empty, Command, Bad };

// Parses one line; for a bad line, `error` says why.
LineKind ParseLine(const std::string& line, Command* command, std::string* error);

// Parses a whole script; false with the bad line's number and the reason on the first
// bad line.
bool ParseScript(std::istream& in, std::vector<Command>* commands, int* badLine,
                 std::string* error);

}  // namespace refhosttool
