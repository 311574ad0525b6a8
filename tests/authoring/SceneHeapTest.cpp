// The scene passes from the host's read stream into the document: the plug-in's own heap
// use while creating a player annotation does not depend on the scene's size.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "AuthoringHost.h"
#include "PlatformControl.h"

namespace {

// Allocations made while counting and outside every host operation: the plug-in's own
// (and the simulated platform's, which does not depend on the scene).
std::atomic<bool> gCounting{false};
std::atomic<size_t> gPlugInBytes{0};
std::atomic<size_t> gPlugInBlocks{0};

}  // namespace

void* operator new(size_t size) {
  if (gCounting && refhost::Host::operationDepth == 0) {
    gPlugInBytes += size;
    ++gPlugInBlocks;
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
  std::free(block);
}

namespace authoringtest {
namespace {

class SceneHeapTest : public AuthoringHost {
 protected:
  struct Use {
    size_t bytes, blocks;
  };
  // Heap use of one creation with a scene of `size` bytes, always at the same path so that
  // the dialog's answer costs the same.
  Use CreationHeapUse(size_t size) {
    const std::string path = WriteScene("scene.mvn", SceneBytes(size));
    platform::control::Reset();  // the dialog's records start empty each time
    gPlugInBytes = 0;
    gPlugInBlocks = 0;
    gCounting = true;
    const refhost::PDAnnot annot = CreateWithScene(path, {10, 10, 110, 110});
    gCounting = false;
    EXPECT_FALSE(IsNull(annot));
    EXPECT_TRUE(refhost::Alerts().empty());
    return {gPlugInBytes, gPlugInBlocks};
  }
};

TEST_F(SceneHeapTest, PlugInHeapDoesNotGrowWithSceneSize) {
  CreationHeapUse(16);  // warms up the host's and the platform's one-time allocations
  const Use empty = CreationHeapUse(0);
  const Use large = CreationHeapUse(40u << 20);
  EXPECT_EQ(empty.bytes, large.bytes);
  EXPECT_EQ(empty.blocks, large.blocks);
}

}  // namespace
}  // namespace authoringtest
