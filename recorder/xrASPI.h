#pragma once
// The SCSI transport: every drive command leaves the program as an ASPI
// request block handed to SendASPI32Command. Either the ASPI manager library
// answers it (loaded at run time) or the pass-through emulation of xrSPTI.
// Nothing above this module knows which.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/devices/Aspi.h"

using TGetASPI32SupportInfo = std::uint32_t (*)();
using TSendASPI32Command = std::uint32_t (*)(void* srb);

inline constexpr char kLayerManagerLibrary[] = "WNASPI32.DLL";
inline constexpr char kLayerEmulation[] = "KVASPI32";

// How the loader reaches the manager library (the host's LoadLibrary,
// GetProcAddress and FreeLibrary); tests replace it to watch the order of
// candidates.
struct AspiLibraryLoader {
  std::function<void*(const std::string& path)> open;
  std::function<void*(void* library, const char* name)> symbol;
  std::function<bool(void* library)> close;
};
AspiLibraryLoader HostLibraryLoader();

// The module-wide state of the transport, one copy for the program.
struct AspiLayerState {
  bool ASPIInitialized = false;
  void* library = nullptr;
  TGetASPI32SupportInfo GetASPI32SupportInfo = nullptr;
  TSendASPI32Command SendASPI32Command = nullptr;
  std::string ActiveLayerName;
  bool UseSPTIChoice = false;
  AspiLibraryLoader loader = HostLibraryLoader();
};
AspiLayerState& AspiLayer();

// Chooses and starts a layer: the emulation first when UseSPTI, then the
// manager library (DllPath, ".\\WNASPI32.DLL", "WNASPI32.DLL"), then the
// emulation as a last resort. Returns ASPIInitialized.
bool InitASPI(bool UseSPTI, const std::string& DllPath);
// Stops the active layer and starts one again with the last choice.
bool ReinitASPI();
// Frees the manager library; true when there was nothing to free.
bool UnloadASPI();
// Stops whatever layer runs (program end, and tests between cases).
void ShutdownASPI();

bool ASPIInitialized();
const std::string& ActiveLayerName();

// Through the module-wide entry points. With no layer loaded nothing is
// sent: the calls answer SS_NO_ADAPTERS and leave the block untouched.
std::uint32_t GetASPI32SupportInfo();
std::uint32_t SendASPI32Command(void* srb);
