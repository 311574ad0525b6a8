// Replays every file of the checked-in seed corpus through its fuzz target, one test per
// file, so that an input that once made a target fail stays a regression test. A failing
// check aborts the test's process and names the check; the test's name names the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace {

namespace fs = std::filesystem;

struct CorpusFile {
  std::string target;
  fs::path path;
};

// How the test names its file (in test lists and ctest names): folder and file name.
void PrintTo(const CorpusFile& file, std::ostream* out) {
  *out << file.target << "/" << file.path.filename().string();
}

std::vector<CorpusFile> CorpusFiles() {
  std::vector<CorpusFile> files;
  for (const char* target : {"fuzz_player_annot", "fuzz_scene_file_name"}) {
    const fs::path folder = fs::path(MIRVANE_FUZZ_CORPUS) / target;
    if (!fs::is_directory(folder)) continue;
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) files.push_back({target, path});
  }
  return files;
}

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info) {
  std::string name = info.param.target + "_" + info.param.path.filename().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

class FuzzCorpus : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(FuzzCorpus, Replays) {
  const CorpusFile& file = GetParam();
  std::ifstream in(file.path, std::ios::binary);
  ASSERT_TRUE(in) << file.path;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (file.target == "fuzz_player_annot")
    EXPECT_EQ(0, RunPlayerAnnotInput(data, bytes.size()));
  else
    EXPECT_EQ(0, RunSceneFileNameInput(data, bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, FuzzCorpus, ::testing::ValuesIn(CorpusFiles()), TestName);

}  // namespace
