// Core table and the AcroSupport operations that every plug-in needs: atoms, callbacks,
// table lookup, exception frames, the allocator, error texts and table versions.
#include <cstdint>
#include <cstring>
#include <string>

#include "Host.h"

namespace refhost {
namespace {

Host& H() {
  return Host::Current();
}

void ASRaise(ASErrorCode code) {
  throw HostError(code);
}
void ASPushExceptionFrame(void* frame, RestoreProc restore) {
  H().PushFrame(frame, restore);
}
void ASPopExceptionFrame() {
  H().PopFrame();
}
ASErrorCode ASGetExceptionErrorCode() {
  return H().LastErrorCode();
}
ASAtom ASAtomFromString(const char* text) {
  return H().Atom(text);
}

const char* ASAtomGetString(ASAtom atom) {
  const char* text = H().AtomText(atom);
  if (text == nullptr) throw HostError(kErrBadParameter);
  return text;
}

Callback ASCallbackCreate(Handle extension, void* proc) {
  return H().CreateCallback(extension, proc);
}
HFT ASExtensionMgrGetHFT(ASAtom name, ASUns32 version) {
  return H().LookupTable(name, version);
}

// The viewer's configuration by key: "Product" is the product's text, "CanEdit" whether
// documents may be changed (not in Reader); any other key is one this viewer does not
// know, answered with the all-ones pointer.
void* ASGetConfiguration(ASAtom key) {
  const char* name = H().AtomText(key);
  const std::string& product = H().profile().product;
  if (name != nullptr && std::strcmp(name, "Product") == 0)
    return const_cast<char*>(product.c_str());
  if (name != nullptr && std::strcmp(name, "CanEdit") == 0)
    return reinterpret_cast<void*>(static_cast<uintptr_t>(product != kReaderProduct));
  return reinterpret_cast<void*>(~uintptr_t{0});
}

void* ASmalloc(size_t size) {
  return H().Allocate(size);
}
void ASfree(void* block) {
  H().Free(block);
}

const char* ASGetErrorString(ASErrorCode code, char* buffer, ASInt32 size) {
  if (buffer == nullptr || size <= 0) throw HostError(kErrBadParameter);
  std::strncpy(buffer, Host::ErrorText(code), static_cast<size_t>(size) - 1);
  buffer[size - 1] = '\0';
  return buffer;
}

ASUns32 HFTGetVersion(HFT table) {
  return H().TableVersion(table);
}

}  // namespace

void InstallCoreOperations(Host& host) {
  using namespace slot;
  host.Install<Table::Core, Core::ASRaise, &ASRaise>();
  host.Install<Table::Core, Core::ASPushExceptionFrame, &ASPushExceptionFrame>();
  host.Install<Table::Core, Core::ASPopExceptionFrame, &ASPopExceptionFrame>();
  host.Install<Table::Core, Core::ASGetExceptionErrorCode, &ASGetExceptionErrorCode>();
  host.Install<Table::Core, Core::ASAtomFromString, &ASAtomFromString>();
  host.Install<Table::Core, Core::ASAtomGetString, &ASAtomGetString>();
  host.Install<Table::Core, Core::ASCallbackCreate, &ASCallbackCreate>();
  host.Install<Table::Core, Core::ASExtensionMgrGetHFT, &ASExtensionMgrGetHFT>();
  host.Install<Table::Core, Core::ASGetConfiguration, &ASGetConfiguration>();
  host.Install<Table::AcroSupport, AcroSupport::ASmalloc, &ASmalloc>();
  host.Install<Table::AcroSupport, AcroSupport::ASfree, &ASfree>();
  host.Install<Table::AcroSupport, AcroSupport::ASGetErrorString, &ASGetErrorString>();
  host.Install<Table::AcroSupport, AcroSupport::HFTGetVersion, &HFTGetVersion>();
}

}  // namespace refhost
