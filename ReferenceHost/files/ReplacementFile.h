// A file written in full to a fresh file next to it, which then takes its place: the file
// is afterwards either complete or as it was, and nothing is written through, or removed
// at, a name someone else could have planted in its folder.
#pragma once

#include <cstdio>
#include <string>

namespace refhost {

class ReplacementFile {
 public:
  // Creates the new file in the folder of `target`, exclusively and under a name nobody
  // can predict; throws std::runtime_error naming it when that fails.
  explicit ReplacementFile(const std::string& target);
  // Removes the new file unless Commit succeeded.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // The new file, open for writing until Commit.
  std::FILE* stream() const { return stream_; }
  const std::string& path() const { return path_; }
  // Closes the new file and renames it over the target; throws std::runtime_error when
  // either fails.
  void Commit();

 private:
  std::string target_;
  std::string path_;
  std::FILE* stream_ = nullptr;
  bool committed_ = false;
};

}  // namespace refhost
