// burner-encode: the audio burning process. The audio window starts it with
// the access code as its only argument; it reads the job (tracks and drive)
// from the exchange file, decodes each track to CD audio, burns the tracks
// track at once on the job's drive, and reports through the exchange file's
// status keys until it ends. An "Abort" order in the file stops it between
// blocks, with what was written closed so that the disc stays readable.

#include <QFileInfo>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/AudioExchange.h"
#include "recorder/xrAudio.h"
#include "recorder/xrDrvLib.h"
#include "tools/encode/AudioDecoder.h"

namespace {

constexpr char kAccessCode[] = "pq3vtz#rw%M7@jcx5hb#";
constexpr char kDoneText[] = "Write/Burn Audio CD Process done.";
constexpr char kAbortText[] = "Burning is abort.";
constexpr int kMaxCdTracks = 99;

class EncodeRun {
 public:
  explicit EncodeRun(QString path) : path_(std::move(path)) {}

  int Run() {
    QString error;
    const std::optional<audio_exchange::Job> job = audio_exchange::ReadJob(path_, &error);
    if (!job) return Fail(-1, "the task cannot be read: " + error.toStdString());
    if (job->Tracks.isEmpty()) return Fail(-1, "the task lists no track.");
    if (job->Tracks.size() > kMaxCdTracks) {
      return Fail(-1, "an audio CD holds at most 99 tracks; the task lists " + std::to_string(job->Tracks.size()) +
                          ".");
    }
    const int count = static_cast<int>(job->Tracks.size());
    track_count_ = count;
    Report(0, 0, "Preparing. Decoding " + std::to_string(count) + (count == 1 ? " track." : " tracks."));

    // Every file is opened before the disc is touched, so an unreadable one
    // costs no disc.
    std::vector<std::unique_ptr<AudioDecoder>> decoders;
    for (int i = 0; i < count; ++i) {
      const std::string file = job->Tracks[i].toStdString();
      std::string reason;
      auto decoder = AudioDecoder::Open(file, reason);
      if (!decoder) {
        return Fail(i, "track " + std::to_string(i + 1) + " (" + file + ") cannot be decoded: " + reason + ".");
      }
      decoders.push_back(std::move(decoder));
    }
    if (AbortOrdered(true)) return Aborted(0, 0);

    TSCSIDevice device;
    if (!device.InitializeASPI(true, "")) return Fail(0, "the drives cannot be reached: " + device.LastError);
    if (!SelectDrive(device, job->Drive.toStdString())) {
      return Fail(0, "the drive \"" + job->Drive.toStdString() + "\" is not on this machine.");
    }

    std::vector<TAudioSource> sources;
    for (auto& decoder : decoders) {
      TAudioSource source;
      source.ExpectedBytes = decoder->ExpectedBytes();
      AudioDecoder* d = decoder.get();
      source.Read = [d](std::uint8_t* buffer, std::size_t length, std::string& reason) {
        return d->Read(buffer, length, reason);
      };
      sources.push_back(std::move(source));
    }
    TAudioWriter writer(device);
    writer.OnProgress = [this](int track, int percent) {
      track_ = track;
      percent_ = percent;
      if (track == track_count_ - 1 && percent == 100) {
        Report(track, percent, "Closing the disc.");
      } else {
        Report(track, percent,
               "Burning track " + std::to_string(track + 1) + " of " + std::to_string(track_count_) + ".");
      }
    };
    writer.ShouldAbort = [this] { return AbortOrdered(false); };
    const TAudioBurnResult result = writer.Write(sources);
    if (result.Aborted) return Aborted(track_, percent_);
    if (!result.Ok) {
      std::string text = result.Error;
      if (track_ >= 0 && track_ < count) {
        text = "track " + std::to_string(track_ + 1) + " (" + QFileInfo(job->Tracks[track_]).fileName().toStdString() +
               "): " + text;
      }
      return Fail(std::max(track_, 0), text);
    }
    Report(count - 1, 100, kDoneText);
    return 0;
  }

 private:
  void Report(int track, int percent, const std::string& text) {
    audio_exchange::Status status;
    status.Track = track;
    status.Progress = percent;
    status.Text = QString::fromStdString(text);
    // A window that has gone (and removed the file) no longer listens.
    audio_exchange::WriteStatus(path_, status);
  }

  int Fail(int track, std::string text) {
    // The window reads a status with "missing" in it as a passing notice,
    // so an error must never say it.
    for (std::size_t at; (at = text.find("missing")) != std::string::npos;) text.replace(at, 7, "absent");
    Report(track, percent_ < 0 ? 0 : percent_, "Error: " + text);
    return 1;
  }

  int Aborted(int track, int percent) {
    Report(track, percent, kAbortText);
    return 3;
  }

  // The file is read at most ten times a second, however fast blocks go.
  bool AbortOrdered(bool now) {
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - last_order_check_ < std::chrono::milliseconds(100)) return false;
    last_order_check_ = time;
    return audio_exchange::ReadOrder(path_) == "Abort";
  }

  // The drive as the program's drive list names it, or by its letter alone.
  static bool SelectDrive(TSCSIDevice& device, const std::string& drive) {
    for (const std::string& id : device.Devices) {
      if (id == drive) {
        device.SetDeviceID(id);
        return true;
      }
    }
    // Else by its letter: "E", "E:", or the letter of an id whose address
    // changed ("1:0:0,E: VENDOR...").
    std::string letter = drive;
    if (const auto comma = letter.find(','); comma != std::string::npos && letter.find(':') < comma) {
      letter = letter.substr(comma + 1, 2);
    }
    if (letter.size() == 2 && letter[1] == ':') letter.resize(1);
    if (letter.size() != 1 || letter[0] == '?') return false;
    for (const std::string& id : device.Devices) {
      device.SetDeviceID(id);
      if (std::toupper(static_cast<unsigned char>(device.GetDriveLetter())) ==
          std::toupper(static_cast<unsigned char>(letter[0])))
        return true;
    }
    return false;
  }

  QString path_;
  int track_count_ = 0;
  int track_ = -1;
  int percent_ = -1;
  std::chrono::steady_clock::time_point last_order_check_{};
};

}  // namespace

int main(int argc, char** argv) {
  // Started by hand or by anything but the audio window: leave the exchange
  // file alone.
  if (argc != 2 || std::strcmp(argv[1], kAccessCode) != 0) return 2;
  return EncodeRun(audio_exchange::ExchangeFilePath()).Run();
}
