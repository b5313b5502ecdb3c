#pragma once
// What the main window's operation drivers need from the windows that show
// an operation: the burn dialog (log, bars, figures, finishing buttons) and
// the erase window (bar, figures, its buttons). Those windows implement these
// and hand themselves to the main window; the drivers never reach into
// their controls.

#include <QString>
#include <cstdint>

// Log colours as the class library stores them (low byte red).
enum : unsigned {
  clLogNavy = 0x800000,
  clLogGreen = 0x008000,
  clLogBlue = 0xFF0000,
  clLogRed = 0x0000FF,
  clLogWhite = 0xFFFFFF,
};

class TBurnProgressView {
 public:
  virtual ~TBurnProgressView() = default;
  // One coloured line at the end of the log, scrolled into view.
  virtual void AddLogLine(const QString& text, unsigned colour) = 0;
  // The speed item chosen ("Max", "16X", ...); "" when none is listed.
  virtual QString SpeedText() = 0;
  // The drive's buffer size in bytes: the maximum of the drive-buffer bar.
  virtual void SetDriveBufferSize(std::uint32_t bytes) = 0;
  // Sectors of the track about to be written, and its size text ("12.50 MB").
  virtual void SetTrackSize(std::int64_t sectors, const QString& size_text) = 0;
  // One tick of figures: cache fill %, bytes written, drive buffer fill
  // (bytes), elapsed and remaining time texts ("1:2:5").
  struct Figures {
    int CachePercent = 0;
    std::int64_t BytesWritten = 0;
    bool TrackComplete = false;
    std::int64_t DriveBufferFill = -1;  // -1: the drive gave no figure
    int Percent = 0;
    QString Elapsed;
    QString Remaining;
  };
  virtual void ShowFigures(const Figures& figures) = 0;
  // The operation ended: the dialog's finishing buttons for success or error.
  virtual void OperationDone(bool success) = 0;
};

class TEraseProgressView {
 public:
  virtual ~TEraseProgressView() = default;
  virtual void ShowEraseProgress(int percent, const QString& elapsed, const QString& remaining) = 0;
  // The erase ended (with or without error): the window's buttons follow.
  virtual void EraseDone(bool with_error) = 0;
  // The user said No to the erase question: the window takes input again.
  virtual void EraseDeclined() = 0;
};
