#include "effects/QRXBase.h"

#include <cstring>

void TQRXObject::Change() {
  if (!locked_ && OnChange) OnChange(this);
}

void TQRXObject::GetChange(TQRXObject*) { Change(); }

void TQRXObject::EndUpdate(bool notify) {
  locked_ = false;
  if (notify) Change();
}

void TQRXObject::Assign(const TQRXObject* source) {
  throw EConvertError(std::string("Cannot assign a ") + (source ? source->ClassName() : "nil") + " to a " +
                      ClassName());
}

void TQRXObject::DefineProperties(TQRXFiler&) {}

void TQRXCustomComponent::Change() {
  if (!locked_ && OnChange) OnChange(this);
}

void TQRXCustomComponent::GetChange(TComponent*) { Change(); }

void TQRXCustomComponent::EndUpdate(bool notify) {
  locked_ = false;
  if (notify) Change();
}

void TQRXCustomComponent::DefineProperties(TQRXFiler&) {}

void TQRXBinaryProperties::Write(TQRXObject& object) {
  writing_ = true;
  object.DefineProperties(*this);
}

void TQRXBinaryProperties::Write(TQRXCustomComponent& component) {
  writing_ = true;
  component.DefineProperties(*this);
}

void TQRXBinaryProperties::Read(TQRXObject& object) {
  writing_ = false;
  object.DefineProperties(*this);
}

void TQRXBinaryProperties::Read(TQRXCustomComponent& component) {
  writing_ = false;
  component.DefineProperties(*this);
}

void TQRXBinaryProperties::DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                                const TStreamProc& writeData, bool hasData) {
  if (writing_) {
    if (!hasData) {
      values.erase(name);
      return;
    }
    TMemoryStream stream;
    writeData(stream);
    values[name].assign(stream.Memory(), stream.Memory() + stream.Size());
    return;
  }
  const auto found = values.find(name);
  if (found == values.end()) return;
  TMemoryStream stream;
  stream.WriteBuffer(found->second.data(), std::int64_t(found->second.size()));
  stream.SetPosition(0);
  readData(stream);
}
