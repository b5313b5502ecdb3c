#include "effects/QRXWave.h"

#include <cstring>

#include "effects/QRXBmpStream.h"
#include "platform/core/AtomicFile.h"

namespace {

std::int64_t Remaining(TStream& stream) {
  return std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

}  // namespace

TQRXWave::~TQRXWave() = default;

std::unique_ptr<TQRXWave> TQRXWave::CreateFromFile(const std::string& fileName) {
  auto wave = std::make_unique<TQRXWave>();
  wave->LoadFromFile(fileName);
  return wave;
}

bool TQRXWave::GetWaveData(TStream& stream, TQRXWaveInfo& info) {
  struct Rewind {
    TStream& s;
    ~Rewind() { s.SetPosition(0); }
  } rewind{stream};
  if (stream.Size() == 0) return false;
  auto read = [&](void* buffer, std::int64_t count) {
    if (stream.Read(buffer, count) != count)
      throw EErrorCheckingWave("GetWaveData: the wave data ends inside its headers");
  };
  auto u16 = [](const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); };
  auto u32 = [](const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
  };
  std::uint8_t tag[4], value[4], format[14];
  read(tag, 4);
  if (std::memcmp(tag, "RIFF", 4) != 0) return false;
  read(value, 4);
  info.riffSize = u32(value);
  read(tag, 4);
  if (std::memcmp(tag, "WAVE", 4) != 0) return false;
  read(tag, 4);
  if (std::memcmp(tag, "fmt ", 4) != 0) return false;
  read(value, 4);  // the chunk size
  read(format, 14);
  const std::uint16_t channels = u16(format + 2);
  info.pcm = u16(format) == 1;
  info.channelMode = channels == 1 || channels == 2 ? std::uint8_t(channels) : 0;
  info.samplesPerSec = u32(format + 4);
  info.blockAlign = u16(format + 12);
  return true;
}

void TQRXWave::SetData(std::unique_ptr<TMemoryStream> data) {
  data_ = std::move(data);
  if (data_) data_->SetPosition(0);
  Change();
}

void TQRXWave::LoadFromStreamCount(std::int64_t count, TStream& stream) {
  if (count <= 0 || stream.Size() == 0) {
    SetData(nullptr);
    return;
  }
  if (count > Remaining(stream)) throw EReadError("Wave data: the size runs past the end of the data");
  auto bytes = std::make_unique<TMemoryStream>();
  bytes->SetSize(count);
  stream.ReadBuffer(bytes->Memory(), count);
  bytes->SetPosition(0);
  TQRXWaveInfo info;
  if (!GetWaveData(*bytes, info)) throw EErrorCheckingWave("GetWaveData: the data is not a wave file");
  SetData(std::move(bytes));
}

void TQRXWave::LoadFromStream(TStream& stream) { LoadFromStreamCount(Remaining(stream), stream); }

void TQRXWave::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStreamCount(file.Size(), file);
}

void TQRXWave::SaveToStream(TStream& stream) const {
  if (data_ && data_->Size() > 0) stream.WriteBuffer(data_->Memory(), data_->Size());
}

void TQRXWave::SaveToFile(const std::string& fileName) const {
  const std::string_view bytes =
      data_ ? std::string_view(reinterpret_cast<const char*>(data_->Memory()), std::size_t(data_->Size()))
            : std::string_view();
  WriteFileAtomically(fileName, bytes);
}

void TQRXWave::WriteDataTo(TStream& stream, bool withCount) {
  if (!data_) data_ = std::make_unique<TMemoryStream>();
  if (withCount) WriteStreamInteger(stream, std::int32_t(data_->Size()));
  SaveToStream(stream);
}

void TQRXWave::ReadCompressed(TStream& stream) {
  TMemoryStream bytes;
  ReadCompressedStream(stream, bytes);
  bytes.SetPosition(0);
  LoadFromStreamCount(bytes.Size(), bytes);
}

void TQRXWave::WriteCompressed(TStream& stream) {
  TMemoryStream bytes;
  SaveToStream(bytes);
  bytes.SetPosition(0);
  WriteCompressedStream(bytes, stream, bytes.Size());
}

void TQRXWave::Clear() { SetData(nullptr); }

void TQRXWave::Assign(const TQRXObject* source) {
  if (!source) {
    Clear();
    return;
  }
  const auto* other = dynamic_cast<const TQRXWave*>(source);
  if (!other) return TQRXObject::Assign(source);
  if (other == this) return;
  auto copy = std::make_unique<TMemoryStream>();
  other->SaveToStream(*copy);
  if (other->data_) other->data_->SetPosition(0);
  SetData(std::move(copy));
}

void TQRXWave::DefineProperties(TQRXFiler& filer) {
  filer.DefineBinaryProperty(
      "Data",
      [this](TStream& s) {
        const std::int64_t count = std::uint32_t(ReadStreamInteger(s));
        LoadFromStreamCount(count, s);
      },
      [this](TStream& s) { WriteDataTo(s, true); }, data_ != nullptr);
}

void WriteWaveToStream(TStream& stream, TQRXWave& wave, bool compressed) {
  if (compressed)
    wave.WriteCompressed(stream);
  else
    wave.WriteDataTo(stream, true);
}

void ReadWaveFromStream(TStream& stream, TQRXWave& wave, bool compressed) {
  // The record's bytes are all read before the WAVE check: data of another
  // kind leaves the wave as it was and the stream after the record, so one
  // bad sound does not stop the rest of a list from loading.
  try {
    if (compressed) {
      wave.ReadCompressed(stream);
      return;
    }
    const std::int64_t count = std::uint32_t(ReadStreamInteger(stream));
    wave.LoadFromStreamCount(count, stream);
  } catch (const EErrorCheckingWave&) {
  }
}
