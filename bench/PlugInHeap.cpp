#include "PlugInHeap.h"

#include <link.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Host.h"

namespace {

// Every block carries its size and the measurement it counts in (0: none), in a header
// that keeps the block's alignment.
struct alignas(16) Header {
  size_t size;
  uint32_t measurement;
  bool plugIn;
};
static_assert(sizeof(Header) == 16, "one maximal alignment unit");

struct Range {
  uintptr_t begin, end;
};

// Code of the stand-in libraries, found once with dl_iterate_phdr (which allocates
// nothing), kept in a fixed table.
Range gStandIns[16];
int gStandInCount = 0;
bool gStandInsFound = false;

bool gCounting = false;
uint32_t gMeasurement = 0;
int gPlugInDepth = 0;
size_t gPlugInLive = 0, gHostLive = 0;
benchheap::Figures gFigures;

int AddStandIn(dl_phdr_info* info, size_t, void*) {
  const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (std::strstr(name, "libTRIVOPlayerControl") == nullptr &&
      std::strstr(name, "libmirvanePlatformSim") == nullptr)
    return 0;
  for (int i = 0; i < info->dlpi_phnum && gStandInCount < 16; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
    gStandIns[gStandInCount++] = {begin, begin + segment.p_memsz};
  }
  return 0;
}

bool FromStandIn(const void* caller) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(caller);
  for (int i = 0; i < gStandInCount; ++i)
    if (address >= gStandIns[i].begin && address < gStandIns[i].end) return true;
  return false;
}

void* Allocate(size_t size, const void* caller) {
  Header* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  header->measurement = 0;
  header->plugIn = false;
  if (gCounting) {
    if (refhost::Host::operationDepth > 0) {
      header->measurement = gMeasurement;
      gHostLive += size;
      gFigures.hostPeakBytes = std::max(gFigures.hostPeakBytes, gHostLive);
    } else if (gPlugInDepth > 0 && !FromStandIn(caller)) {
      header->measurement = gMeasurement;
      header->plugIn = true;
      gPlugInLive += size;
      gFigures.plugInPeakBytes = std::max(gFigures.plugInPeakBytes, gPlugInLive);
      gFigures.plugInAllocations += 1;
      gFigures.plugInBytes += size;
    }
  }
  return header + 1;
}

void Release(void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
  if (header->measurement != 0 && header->measurement == gMeasurement) {
    size_t& live = header->plugIn ? gPlugInLive : gHostLive;
    live -= std::min(live, header->size);
  }
  std::free(header);
}

}  // namespace

namespace benchheap {

void Start() {
  if (!gStandInsFound) {
    dl_iterate_phdr(&AddStandIn, nullptr);
    gStandInsFound = true;
  }
  ++gMeasurement;
  gPlugInLive = gHostLive = 0;
  gFigures = Figures();
  gCounting = true;
}

Figures Stop() {
  gCounting = false;
  return gFigures;
}

void EnterPlugIn() {
  ++gPlugInDepth;
}
void LeavePlugIn() {
  --gPlugInDepth;
}
void ResetPlugIn() {
  gPlugInDepth = 0;
}

}  // namespace benchheap

// The program's allocation functions; the caller's address tells the stand-ins apart.
void* operator new(size_t size) {
  if (void* block = Allocate(size, __builtin_return_address(0))) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  if (void* block = Allocate(size, __builtin_return_address(0))) return block;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, __builtin_return_address(0));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, __builtin_return_address(0));
}
void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, size_t) noexcept {
  Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  Release(block);
}
