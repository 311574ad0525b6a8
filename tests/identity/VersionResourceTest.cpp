// The module's version resource, as Windows' file properties read it: the product's
// version and name as the product identity has them, and the module's own names.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "DudOrevove.h"
#include "TestPaths.h"

namespace {

class VersionResource : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string module = testsupport::PluginPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(module.c_str(), &ignored);
    ASSERT_NE(size, 0u) << module << " has no version resource";
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(module.c_str(), 0, size, data_.data()));
  }
  // A string of the U.S. English, Windows Latin-1 block; empty when absent.
  std::string Text(const char* name) {
    const std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr)
      return std::string();
    return std::string(value);
  }
  std::vector<char> data_;
};

TEST_F(VersionResource, VersionsAreTheProductIdentitysInTextAndNumbers) {
  EXPECT_EQ(MIRVANE_PRODUCT_VERSION, Text("FileVersion"));
  EXPECT_EQ(MIRVANE_PRODUCT_VERSION, Text("ProductVersion"));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data_.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(MIRVANE_PRODUCT_VERSION, numbers);
  EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
  EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
}

TEST_F(VersionResource, NamesAreTheProductsAndTheModulesOwn) {
  DudOrevove identity;
  identity.SetEdition(LIT_MIRVANE_READER_PLUGIN);  // the plug-in's edition
  EXPECT_EQ(identity.EditionName(), Text("ProductName"));
  EXPECT_FALSE(Text("FileDescription").empty());
  EXPECT_EQ("KXTRIVOPlayer", Text("InternalName"));
  EXPECT_EQ("KXTRIVOPlayer.api", Text("OriginalFilename"));
}

BOOL CALLBACK NoteFound(HMODULE, LPCSTR, LPSTR, LONG_PTR found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

// The module carries no string table: the product line's resource suffix stays a blank.
TEST_F(VersionResource, ModuleHasNoStringTable) {
  HMODULE module =
      LoadLibraryExA(testsupport::PluginPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  bool found = false;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(6) /* RT_STRING */, &NoteFound,
                     reinterpret_cast<LONG_PTR>(&found));
  FreeLibrary(module);
  EXPECT_FALSE(found);
}

}  // namespace
