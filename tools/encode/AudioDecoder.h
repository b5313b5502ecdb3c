#pragma once
// Decodes one audio file (MP3, WAV, WMA, APE, FLAC, Ogg: whatever the FFmpeg
// libraries on the machine read) to CD audio: 44.1 kHz, 16-bit little-endian,
// two channels, handed out in pieces as the recorder asks for them.

#include <cstdint>
#include <memory>
#include <string>

class AudioDecoder {
 public:
  // Nothing, with a reason in `error`, when the file cannot be opened or
  // holds no audio stream a decoder on this machine reads.
  static std::unique_ptr<AudioDecoder> Open(const std::string& path, std::string& error);
  ~AudioDecoder();
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;

  // Fills up to `length` bytes of PCM; 0 at the end, -1 on a failure
  // described in `error`.
  std::int64_t Read(std::uint8_t* buffer, std::size_t length, std::string& error);
  // PCM bytes the file's duration promises (0 when it gives none).
  std::uint64_t ExpectedBytes() const { return expected_bytes_; }

 private:
  AudioDecoder() = default;
  struct State;
  bool Refill(std::string& error);

  std::unique_ptr<State> state_;
  std::uint64_t expected_bytes_ = 0;
};
