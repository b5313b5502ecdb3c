#pragma once
// The foundation of the visual-effects library: the property-object base
// with its change protocol, the matching non-visual component base, and the
// binary properties that objects keep in form files beside their published
// ones.
//
// The change protocol: a setter given the value it holds does nothing; any
// other value is stored and Change() runs, which calls OnChange with the
// object itself unless the update lock is set. An owner binds each
// sub-object's OnChange to its own GetChange, so a change climbs one level
// at a time up to the control, which repaints. The lock is one flag, not a
// counter: a second BeginUpdate adds nothing and the first EndUpdate
// releases it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "platform/gui/Component.h"

class TQRXFiler;

class TQRXObject {
 public:
  using TChangeEvent = std::function<void(TQRXObject* sender)>;

  TQRXObject() = default;
  virtual ~TQRXObject() = default;
  TQRXObject(const TQRXObject&) = delete;
  TQRXObject& operator=(const TQRXObject&) = delete;

  virtual void Change();
  // Bound by an owner as the OnChange of its sub-objects.
  virtual void GetChange(TQRXObject* sender);
  void BeginUpdate() { locked_ = true; }
  void EndUpdate(bool notify);
  bool Updating() const { return locked_; }
  // Copies another object of the same class and notifies once; the base
  // refuses with EConvertError. A null source is the class's own business
  // (most refuse it too).
  virtual void Assign(const TQRXObject* source);
  // A short description in braces for the text and gradient objects.
  virtual std::string GetSummary() const { return {}; }
  // The binary properties this object keeps in a form file.
  virtual void DefineProperties(TQRXFiler& filer);
  virtual const char* ClassName() const { return "TQRXObject"; }

  TChangeEvent OnChange;

 private:
  bool locked_ = false;
};

class TQRXCustomComponent : public TComponent {
 public:
  using TChangeEvent = std::function<void(TComponent* sender)>;

  explicit TQRXCustomComponent(TComponent* owner = nullptr) : TComponent(owner) {}

  virtual void Change();
  virtual void GetChange(TComponent* sender);
  void BeginUpdate() { locked_ = true; }
  void EndUpdate(bool notify);
  bool Updating() const { return locked_; }
  virtual void DefineProperties(TQRXFiler& filer);

  // Shown at design time only.
  const std::string& About() const { return about_; }
  void SetAbout(const std::string& about) { about_ = about; }

  TChangeEvent OnChange;

 private:
  std::string about_;
  bool locked_ = false;
};

// A form file's view of an object's binary properties. A writer asks each
// property for its bytes; a reader hands each stored property back.
class TQRXFiler {
 public:
  using TStreamProc = std::function<void(TStream& stream)>;
  virtual ~TQRXFiler() = default;
  // hasData false leaves the property out of what is written.
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;
};

// Binary properties held by name: Write collects an object's properties,
// Read gives them back to an object (only those present are read).
class TQRXBinaryProperties final : public TQRXFiler {
 public:
  void Write(TQRXObject& object);
  void Write(TQRXCustomComponent& component);
  void Read(TQRXObject& object);
  void Read(TQRXCustomComponent& component);

  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::map<std::string, std::vector<std::uint8_t>> values;

  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  bool writing_ = false;
};
