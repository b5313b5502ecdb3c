// The two entry points of the ASPI manager library, over the drive map the
// program itself uses (DriveMap.ini beside the executable, or the file that
// BURNER_DRIVE_MAP names).

#include <memory>
#include <mutex>

#include "platform/devices/Aspi.h"
#include "platform/devices/AspiManager.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/SgTarget.h"

namespace {

// The library's one manager: made by the first call, freed when the library
// is unloaded, so that a reload sees the drives afresh.
class Library {
 public:
  AspiManager& Manager() {
    std::lock_guard lock(mutex_);
    if (!manager_) {
      manager_ = std::make_unique<AspiManager>(std::make_unique<DriveMap>(
          DefaultDriveMapOptions(), SystemSgKernel(), DefaultVirtualRecorderFactory()));
    }
    return *manager_;
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<AspiManager> manager_;
};

Library& TheLibrary() {
  static Library library;
  return library;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) DWORD GetASPI32SupportInfo() {
  return TheLibrary().Manager().GetSupportInfo();
}

extern "C" __attribute__((visibility("default"))) DWORD SendASPI32Command(void* srb) {
  return TheLibrary().Manager().SendCommand(srb);
}
