#pragma once
// TQRXIniCtrl: where the library's settings would live (an INI file or the
// registry). It only describes the place; nothing reads or writes entries
// through it.

#include <cstdint>
#include <string>

#include "effects/QRXBase.h"
#include "effects/QRXUtils.h"

enum class TQRXIniTarget : std::uint8_t { itIniFile, itRegistry, itAuto };
enum class TQRXRegRootKey : std::uint8_t {
  rpClassesRoot,
  rpCurrentUser,
  rpLocalMachine,
  rpUsers,
  rpCurrentConfig,
  rpDynData
};

class TQRXIniCtrl : public TQRXCustomComponent {
 public:
  explicit TQRXIniCtrl(TComponent* owner = nullptr) : TQRXCustomComponent(owner) {}

  TQRXIniTarget Target() const { return target_; }
  void SetTarget(TQRXIniTarget value);
  // itAuto counts as the registry.
  TQRXIniTarget EffectiveTarget() const { return effective_target_; }

  const std::string& IniFile() const { return ini_file_; }
  // A name without an extension gets ".INI".
  void SetIniFile(const std::string& value);
  TQRXPathPrefix IniPrefix() const { return ini_prefix_; }
  void SetIniPrefix(TQRXPathPrefix value) { ini_prefix_ = value; }
  TQRXRegRootKey RegRoot() const { return reg_root_; }
  void SetRegRoot(TQRXRegRootKey value) { reg_root_ = value; }
  const std::string& RegPath() const { return reg_path_; }
  void SetRegPath(const std::string& value) { reg_path_ = value; }
  bool Common() const { return common_; }
  void SetCommon(bool value) { common_ = value; }
  const std::string& User() const { return user_; }
  void SetUser(const std::string& value) { user_ = value; }
  bool NetUser() const { return net_user_; }
  // True also fills User with the login name.
  void SetNetUser(bool value);
  std::uint8_t MaxEntries() const { return max_entries_; }
  // Above 26 is refused while entries are counted by letters.
  void SetMaxEntries(std::uint8_t value);
  bool AlphaCounter() const { return alpha_counter_; }
  void SetAlphaCounter(bool value);

 protected:
  virtual std::string ReadUserName() const { return GetNetUserName(); }

 private:
  TQRXIniTarget target_ = TQRXIniTarget::itAuto;
  TQRXIniTarget effective_target_ = TQRXIniTarget::itRegistry;
  std::string ini_file_;
  TQRXPathPrefix ini_prefix_ = TQRXPathPrefix::ppWindows;
  TQRXRegRootKey reg_root_ = TQRXRegRootKey::rpCurrentUser;
  std::string reg_path_;
  bool common_ = true;
  std::string user_;
  bool net_user_ = false;
  std::uint8_t max_entries_ = 16;
  bool alpha_counter_ = false;
};
