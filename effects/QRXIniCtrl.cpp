#include "effects/QRXIniCtrl.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kLetters = 26;

// The extension as the host's ExtractFileExt sees it: from the last "." after
// the last folder separator.
bool HasExtension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::size_t sep = name.find_last_of("/\\:");
  if (sep != std::string::npos && sep > dot) return false;
  return !IsBlankString(name.substr(dot));
}

}  // namespace

void TQRXIniCtrl::SetTarget(TQRXIniTarget value) {
  target_ = value;
  effective_target_ = value == TQRXIniTarget::itAuto ? TQRXIniTarget::itRegistry : value;
}

void TQRXIniCtrl::SetIniFile(const std::string& value) {
  ini_file_ = HasExtension(value) ? value : value + ".INI";
}

void TQRXIniCtrl::SetNetUser(bool value) {
  net_user_ = value;
  if (value) user_ = ReadUserName();
}

void TQRXIniCtrl::SetMaxEntries(std::uint8_t value) {
  if (alpha_counter_ && value > kLetters) return;
  max_entries_ = value;
}

void TQRXIniCtrl::SetAlphaCounter(bool value) {
  if (value == alpha_counter_) return;
  alpha_counter_ = value;
  max_entries_ = std::min(max_entries_, kLetters);
}
