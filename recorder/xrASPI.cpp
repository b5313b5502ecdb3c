#include "recorder/xrASPI.h"

#include "platform/devices/WinHost.h"
#include "recorder/xrSPTI.h"

AspiLibraryLoader HostLibraryLoader() {
  AspiLibraryLoader loader;
  loader.open = [](const std::string& path) -> void* { return LoadLibrary(path.c_str()); };
  loader.symbol = [](void* library, const char* name) -> void* { return GetProcAddress(library, name); };
  loader.close = [](void* library) { return FreeLibrary(library) != FALSE; };
  return loader;
}

AspiLayerState& AspiLayer() {
  static AspiLayerState state;
  return state;
}

bool ASPIInitialized() { return AspiLayer().ASPIInitialized; }
const std::string& ActiveLayerName() { return AspiLayer().ActiveLayerName; }

namespace {

void InstallEmulation(AspiLayerState& layer) {
  layer.GetASPI32SupportInfo = &SptiGetASPI32SupportInfo;
  layer.SendASPI32Command = &SptiSendASPI32Command;
  layer.ASPIInitialized = true;
  layer.ActiveLayerName = kLayerEmulation;
}

// A library counts only when both entry points are there; one without them
// is released again so that no command can go through a missing pointer.
bool TryLibrary(AspiLayerState& layer, const std::string& path) {
  void* library = nullptr;
  try {
    library = layer.loader.open(path);
  } catch (...) {
    library = nullptr;
  }
  if (!library) return false;
  auto* info = reinterpret_cast<TGetASPI32SupportInfo>(layer.loader.symbol(library, "GetASPI32SupportInfo"));
  auto* send = reinterpret_cast<TSendASPI32Command>(layer.loader.symbol(library, "SendASPI32Command"));
  if (!info || !send) {
    layer.loader.close(library);
    return false;
  }
  layer.library = library;
  layer.GetASPI32SupportInfo = info;
  layer.SendASPI32Command = send;
  layer.ActiveLayerName = kLayerManagerLibrary;
  layer.ASPIInitialized = true;
  return true;
}

}  // namespace

bool InitASPI(bool UseSPTI, const std::string& DllPath) {
  auto& layer = AspiLayer();
  // No message box for a drive without a medium while the drives are probed.
  const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  if (UseSPTI && SptiInitialize() > 0) InstallEmulation(layer);
  if (!layer.ASPIInitialized) {
    layer.library = nullptr;
    bool loaded = !DllPath.empty() && TryLibrary(layer, DllPath);
    if (!loaded) loaded = TryLibrary(layer, std::string(".\\") + kLayerManagerLibrary);
    if (!loaded) TryLibrary(layer, kLayerManagerLibrary);
  }
  if (!layer.ASPIInitialized && SptiInitialize() > 0) InstallEmulation(layer);
  if (layer.ASPIInitialized) layer.GetASPI32SupportInfo();
  layer.UseSPTIChoice = UseSPTI;
  SetErrorMode(previous_mode);
  return layer.ASPIInitialized;
}

bool UnloadASPI() {
  auto& layer = AspiLayer();
  if (!layer.library) {
    layer.ASPIInitialized = false;
    return true;
  }
  const bool freed = layer.loader.close(layer.library);
  layer.library = nullptr;
  layer.ASPIInitialized = false;
  layer.GetASPI32SupportInfo = nullptr;
  layer.SendASPI32Command = nullptr;
  return freed;
}

bool ReinitASPI() {
  auto& layer = AspiLayer();
  if (layer.ActiveLayerName == kLayerEmulation) {
    layer.ASPIInitialized = false;
    layer.GetASPI32SupportInfo = nullptr;
    layer.SendASPI32Command = nullptr;
    SptiFinalize();
  } else {
    UnloadASPI();
  }
  InitASPI(layer.UseSPTIChoice, {});
  return true;
}

void ShutdownASPI() {
  auto& layer = AspiLayer();
  UnloadASPI();
  SptiFinalize();
  layer.GetASPI32SupportInfo = nullptr;
  layer.SendASPI32Command = nullptr;
  layer.ActiveLayerName.clear();
}

std::uint32_t GetASPI32SupportInfo() {
  auto& layer = AspiLayer();
  if (!layer.ASPIInitialized || !layer.GetASPI32SupportInfo) return std::uint32_t{SS_NO_ADAPTERS} << 8;
  return layer.GetASPI32SupportInfo();
}

std::uint32_t SendASPI32Command(void* srb) {
  auto& layer = AspiLayer();
  if (!layer.ASPIInitialized || !layer.SendASPI32Command) return SS_NO_ADAPTERS;
  return layer.SendASPI32Command(srb);
}
