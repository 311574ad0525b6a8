// files/: what comes from and goes to disk. Host files, streams over them and path
// names, PDF files opened and saved through qpdf (Linux), saves through a replacement
// file, and whole documents made, opened, saved and closed (Documents.h).
//
// Host streams, files and path names as tests see them: how many are live, so that a
// test can assert that the plug-in closed and released everything it opened.
#pragma once

#include <cstddef>

namespace refhost {

size_t LiveStreams();    // ASStm opened and not yet closed (memory, file, object streams)
size_t OpenFiles();      // ASFile opened and not yet closed
size_t LivePathNames();  // ASPathName created and not yet released

}  // namespace refhost
