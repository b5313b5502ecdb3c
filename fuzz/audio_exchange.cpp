// The exchange file is written by another process: any bytes must read
// without a crash, and a job that reads must stay within its limits.
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/AudioExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzScratchFile("Task.ini");
  WriteFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size));
  const QString file = QString::fromStdString(path);
  QString error;
  if (const auto job = audio_exchange::ReadJob(file, &error)) {
    if (job->Tracks.size() > audio_exchange::kMaxTracks) abort();
    for (const QString& track : job->Tracks)
      if (track.isEmpty()) abort();
  } else if (error.isEmpty()) {
    abort();
  }
  audio_exchange::ReadStatus(file);
  audio_exchange::ReadOrder(file);
  // A status written over any file keeps the order it held.
  const QString order = audio_exchange::ReadOrder(file);
  if (audio_exchange::WriteStatus(file, {1, 50, "Writing"}) && audio_exchange::ReadOrder(file) != order) abort();
  return 0;
}
