#include "platform/core/Exceptions.h"
#include "platform/devices/DriveMap.h"
#include "platform/devices/VirtualRecorder.h"

VirtualRecorderFactory DefaultVirtualRecorderFactory() {
  return [](const DriveMapEntry& entry) -> std::unique_ptr<ScsiTarget> {
    const auto medium = ParseMedium(entry.medium);
    if (!medium) throw EConvertError("unknown medium \"" + entry.medium + "\"");
    VirtualRecorderConfig config;
    config.image_path = entry.image;
    config.state_path = entry.state;
    config.initial_medium = *medium;
    return VirtualRecorder::Open(config);
  };
}
