#include "PluginLoader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace refhost {

bool PluginModule::Open(const std::string& path, std::string* error) {
  Close();
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    *error = "cannot load " + path + " (Windows error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  void* entry = reinterpret_cast<void*>(GetProcAddress(module, "PlugInMain"));
  handle_ = module;
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    *error = "cannot load " + path + ": " + (why ? why : "unknown error");
    return false;
  }
  void* entry = dlsym(module, "PlugInMain");
  handle_ = module;
#endif
  if (entry == nullptr) {
    *error = path + " does not export PlugInMain";
    Close();
    return false;
  }
  main_ = reinterpret_cast<PlugInMainProc>(entry);
  return true;
}

void PluginModule::Close() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
  main_ = nullptr;
}

namespace {

StageResult RunStage(Host& host, const char* name, Callback callback) {
  StageResult stage{name, false, 0};
  if (!host.IsCallback(callback)) {
    std::fprintf(stderr, "refhost: the %s callback was not made with ASCallbackCreate\n", name);
    return stage;
  }
  ASBool result = 0;
  stage.completed =
      host.CallPlugin(name, [&] { result = reinterpret_cast<StageProc>(callback)(); });
  stage.result = result;
  return stage;
}

}  // namespace

StartupReport RunStartup(Host& host, const PluginModule& module) {
  if (!module.isOpen()) {
    StartupReport report;
    report.failure = "the module is not loaded";
    return report;
  }
  return RunStartup(host, module.main(), module.handle());
}

StartupReport RunStartup(Host& host, PlugInMainProc main, void* moduleInstance) {
  StartupReport report;
  const Profile& profile = host.profile();

  PlatformRecord platform{0x504C4154, moduleInstance};
  PlugInSetupProc setup = nullptr;
  ASUns32 agreed = 0;
  ASBool mainResult = 0;
  report.mainCompleted = host.CallPlugin(
      "PlugInMain", [&] { mainResult = main(profile.mainVersion, &agreed, &setup, &platform); });
  report.mainResult = mainResult;
  report.agreedVersion = agreed;
  if (!report.mainCompleted || !mainResult || setup == nullptr) {
    report.failure = "PlugInMain failed";
    return report;
  }

  SetupRecord& setupRecord = report.setupRecord;
  setupRecord.handshakeVersion = profile.setupRecordVersion;
  setupRecord.extensionId = host.extensionId();
  setupRecord.coreTable = host.TableEntries(Table::Core);
  ASBool setupResult = 0;
  report.setupCompleted = host.CallPlugin(
      "PlugInSetup", [&] { setupResult = setup(profile.setupVersion, &setupRecord); });
  report.setupResult = setupResult;
  if (!report.setupCompleted || !setupResult) {
    report.failure = "the setup routine refused";
    return report;
  }
  if (!host.IsCallback(setupRecord.handshakeCallback)) {
    report.failure = "the setup routine returned no handshake callback";
    return report;
  }

  HandshakeRecord& handshake = report.handshakeRecord;
  handshake.handshakeVersion = profile.handshakeVersion;
  handshake.hostField = profile.handshakeHostField;
  handshake.extensionName = kNullAtom;
  ASBool handshakeResult = 0;
  HandshakeProc handshakeProc = reinterpret_cast<HandshakeProc>(setupRecord.handshakeCallback);
  report.handshakeCompleted = host.CallPlugin("PlugInHandshake", [&] {
    handshakeResult = handshakeProc(profile.handshakeVersion, &handshake);
  });
  report.handshakeResult = handshakeResult;
  if (!report.handshakeCompleted || !handshakeResult) {
    report.failure = "the handshake refused";
    return report;
  }

  const std::pair<const char*, Callback> stages[] = {
      {"PlugInExportHFTs", handshake.exportHFTs},
      {"PlugInImportReplaceAndRegister", handshake.importReplaceAndRegister},
      {"PlugInInit", handshake.init}};
  for (const auto& stage : stages) {
    report.stages.push_back(RunStage(host, stage.first, stage.second));
    if (!report.stages.back().completed || !report.stages.back().result) {
      report.failure = std::string(stage.first) + " failed";
      return report;
    }
  }
  return report;
}

StageResult RunUnload(Host& host, const StartupReport& startup) {
  return RunStage(host, "PlugInUnload", startup.handshakeRecord.unload);
}

}  // namespace refhost
