#pragma once
// TQRXWave: the bytes of a complete WAV file, kept by the library's
// containers and components that make sounds. Only data that passes the
// WAVE check (a "RIFF" file of type "WAVE" whose first chunk is "fmt ") is
// taken; anything else raises EErrorCheckingWave and leaves the wave as it
// was. Its form-file image is the binary property "Data": u32 count, bytes.

#include <cstdint>
#include <memory>
#include <string>

#include "effects/QRXBase.h"

class EErrorCheckingWave : public Exception {
  using Exception::Exception;
};

struct TQRXWaveInfo {
  std::uint32_t riffSize = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint8_t channelMode = 0;  // 1 mono, 2 stereo, 0 other
  bool pcm = false;
  std::uint16_t blockAlign = 0;
};

class TQRXWave : public TQRXObject {
 public:
  TQRXWave() = default;
  ~TQRXWave() override;
  static std::unique_ptr<TQRXWave> CreateFromFile(const std::string& fileName);

  // The WAVE check, read from the stream's position; the stream is rewound
  // to 0 whatever the outcome. False for data of another kind; raises
  // EErrorCheckingWave when the data ends inside the headers.
  static bool GetWaveData(TStream& stream, TQRXWaveInfo& info);

  // Takes the stream as the data (null clears). Sounds play from a file
  // copy, so replacing or freeing the data never disturbs one playing.
  void SetData(std::unique_ptr<TMemoryStream> data);
  // Null when the wave has no data stream.
  TMemoryStream* Data() const { return data_.get(); }
  // Reads `count` bytes from the stream's position. A count of 0 clears the
  // wave; data that fails the check raises EErrorCheckingWave.
  void LoadFromStreamCount(std::int64_t count, TStream& stream);
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  // The bytes alone, without a count.
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& fileName) const;
  // Gives the wave an empty data stream when it has none.
  void WriteDataTo(TStream& stream, bool withCount);

  // A compressed stream of the bytes (see QRXBmpStream.h).
  void ReadCompressed(TStream& stream);
  void WriteCompressed(TStream& stream);

  void Clear();
  // From another wave: a copy of its bytes (an empty data stream when it has
  // none). Null clears.
  void Assign(const TQRXObject* source) override;
  std::int64_t GetSize() const { return data_ ? data_->Size() : 0; }
  bool IsEmpty() const { return GetSize() == 0; }

  void DefineProperties(TQRXFiler& filer) override;
  const char* ClassName() const override { return "TQRXWave"; }

 private:
  std::unique_ptr<TMemoryStream> data_;
};

// The wave record of the stream unit: compressed, a compressed stream of the
// bytes; otherwise u32 count and the bytes. Reading a record whose bytes
// fail the WAVE check skips it and keeps the wave as it was; a record that
// runs short raises the stream's error.
void WriteWaveToStream(TStream& stream, TQRXWave& wave, bool compressed);
void ReadWaveFromStream(TStream& stream, TQRXWave& wave, bool compressed);
