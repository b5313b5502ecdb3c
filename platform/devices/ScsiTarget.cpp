#include "platform/devices/ScsiTarget.h"

ScsiResult CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  ScsiResult result;
  result.status = kScsiCheckCondition;
  result.sense[0] = 0x70;
  result.sense[2] = key & 0x0F;
  result.sense[7] = 10;  // additional length: bytes 8-17
  result.sense[12] = asc;
  result.sense[13] = ascq;
  result.sense_length = 18;
  return result;
}
