// refhost: loads the plug-in module into the reference host, runs its start-up and
// prints what happened.
#include <cstdio>
#include <cstring>
#include <string>

#include "Host.h"
#include "PageViews.h"
#include "PluginLoader.h"

namespace {

std::string DefaultPluginPath(const char* argv0) {
  std::string self = argv0;
  const size_t slash = self.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string(".") : self.substr(0, slash);
  return folder + "/KXTRIVOPlayer.api";
}

void Usage() {
  std::printf(
      "usage: refhost [--plugin PATH] [--debug-window]\n"
      "  Loads the plug-in into the reference host, runs its start-up and unload,\n"
      "  and prints the handshake and the host tables the plug-in obtained.\n");
}

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

}  // namespace

int main(int argc, char** argv) {
  std::string pluginPath = DefaultPluginPath(argv[0]);
  refhost::Profile profile;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plugin") == 0 && i + 1 < argc) {
      pluginPath = argv[++i];
    } else if (std::strcmp(argv[i], "--debug-window") == 0) {
      profile.debugWindow = true;
    } else {
      Usage();
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }

  refhost::Host host(profile);
  refhost::PluginModule module;
  std::string error;
  if (!module.Open(pluginPath, &error)) {
    std::fprintf(stderr, "refhost: %s\n", error.c_str());
    return 1;
  }
  std::printf("loaded %s\n", pluginPath.c_str());

  const refhost::StartupReport startup = refhost::RunStartup(host, module);
  std::printf("PlugInMain: %s, agreed handshake version 0x%08X\n", YesNo(startup.mainResult),
              static_cast<unsigned>(startup.agreedVersion));
  for (const refhost::HftLookup& lookup : host.lookups())
    std::printf("  table %-16s version 0x%08X: %s\n", lookup.name.c_str(),
                static_cast<unsigned>(lookup.version), lookup.found ? "obtained" : "not offered");
  std::printf("setup: %s\n", YesNo(startup.setupResult));
  if (startup.handshakeCompleted) {
    const char* name = host.AtomText(startup.handshakeRecord.extensionName);
    std::printf("handshake: %s, extension name \"%s\"\n", YesNo(startup.handshakeResult),
                name ? name : "(none)");
  }
  for (const refhost::StageResult& stage : startup.stages)
    std::printf("stage %s: %s\n", stage.name.c_str(), YesNo(stage.completed && stage.result));
  if (!startup.ok()) {
    std::fprintf(stderr, "refhost: start-up failed: %s\n", startup.failure.c_str());
    return 1;
  }

  for (const std::string& alert : refhost::Alerts()) std::printf("alert: %s\n", alert.c_str());

  const refhost::StageResult unload = refhost::RunUnload(host, startup);
  std::printf("stage %s: %s\n", unload.name.c_str(), YesNo(unload.completed && unload.result));
  module.Close();
  std::printf("unloaded; host allocations still live: %zu\n", host.LiveAllocations());
  return unload.completed && unload.result ? 0 : 1;
}
