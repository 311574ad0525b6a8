// Shared by the benchmarks: the reference host with the plug-in started in-process, scene
// data, a scratch folder, and the plain file copy that extraction is compared with.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Host.h"
#include "HostAbi.h"

namespace bench {

// A reference host with the plug-in started in it (in-process, as the tests run it), its
// handler's draw and click procedures wrapped so that what they allocate counts as the
// plug-in's (PlugInHeap.h), and the simulated temporary folder in a fresh scratch folder,
// removed with everything in it at the end.
class PlugInHost {
 public:
  PlugInHost();
  ~PlugInHost();
  PlugInHost(const PlugInHost&) = delete;
  PlugInHost& operator=(const PlugInHost&) = delete;

  refhost::Host& host() { return *host_; }
  const std::string& folder() const { return folder_; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  // Empty when start-up and every call into the plug-in went through; else what failed.
  std::string Problem() const;

 private:
  std::unique_ptr<refhost::Host> host_;
  std::string folder_;
  std::string startupFailure_;
};

// A player annotation on `page` at the page rectangle (points) whose embedded scene,
// "valve.geom", holds `stored` (compressed already when `flate`, and then named
// FlateDecode).
refhost::PDAnnot AddPlayer(refhost::Handle page, double left, double bottom, double right,
                           double top, const std::string& stored, bool flate);

// Scene-like data with some redundancy: text lines of vertices ("v" and three coordinates
// with four decimals from a pseudo-random sequence) and of faces ("f" and three vertex
// numbers), as mesh formats store them; the pattern repeats every 4 MiB, far beyond
// deflate's 32 KiB window, so it compresses as unique data of its kind would.
std::string SceneData(size_t size);
void WriteFile(const std::string& path, const std::string& data);
long long FileSize(const std::string& path);  // -1 when there is no file

// Writes back the dirty pages of the file system holding `folder`, so that one timed
// write does not pay for the writeback of another.
void SyncFileSystem(const std::string& folder);

// The plain copy: `from` to a new file `to`, through one buffer of `bufferSize` bytes with
// read(2) and write(2). Answers the seconds it took.
double CopyFile(const std::string& from, const std::string& to, size_t bufferSize);
// The plain decode: zlib-compressed `stored` inflated from memory into a new file `to`
// through one buffer of `bufferSize` bytes written with write(2). Answers the seconds.
double InflateToFile(const std::string& stored, const std::string& to, size_t bufferSize);

}  // namespace bench
