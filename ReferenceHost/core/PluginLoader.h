// Loading the plug-in module and running its start-up as the viewer does: PlugInMain,
// the setup routine, the handshake, then the stage callbacks in record order.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Host.h"

namespace refhost {

class PluginModule {
 public:
  PluginModule() = default;
  ~PluginModule() { Close(); }
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Opens the module and looks up PlugInMain; false with `error` set on failure.
  bool Open(const std::string& path, std::string* error);
  // Unloads the module; its static objects are destroyed.
  void Close();
  bool isOpen() const { return handle_ != nullptr; }
  void* handle() const { return handle_; }
  PlugInMainProc main() const { return main_; }

 private:
  void* handle_ = nullptr;
  PlugInMainProc main_ = nullptr;
};

struct StageResult {
  std::string name;
  bool completed;  // false when a host error ended the stage
  ASBool result;
};

struct StartupReport {
  bool mainCompleted = false;
  ASBool mainResult = 0;
  ASUns32 agreedVersion = 0;
  bool setupCompleted = false;
  ASBool setupResult = 0;
  SetupRecord setupRecord{};
  bool handshakeCompleted = false;
  ASBool handshakeResult = 0;
  HandshakeRecord handshakeRecord{};
  std::vector<StageResult> stages;  // export, import-replace-register, init
  std::string failure;              // why start-up stopped; empty when it ran through
  bool ok() const { return failure.empty(); }
};

// Runs the start-up of an opened module under the host's profile.
StartupReport RunStartup(Host& host, const PluginModule& module);
// The same for a plug-in linked into the calling program (unit tests): `main` is its
// PlugInMain and `moduleInstance` what the platform record hands over.
StartupReport RunStartup(Host& host, PlugInMainProc main, void* moduleInstance);

// Runs the unload stage of a plug-in whose start-up completed.
StageResult RunUnload(Host& host, const StartupReport& startup);

}  // namespace refhost
