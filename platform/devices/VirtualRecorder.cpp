#include "platform/devices/VirtualRecorder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/core/Exceptions.h"
#include "platform/devices/VirtualCommands.h"
#include "platform/devices/VirtualDisc.h"
#include "platform/devices/VirtualFaults.h"
#include "platform/devices/VirtualStateFile.h"

namespace {

constexpr std::size_t kLogLimit = 200000;
constexpr std::size_t kLoggedDataLimit = 512;
// Written blocks are accounted in the state file at least this often.
constexpr std::uint32_t kWritesBetweenSaves = 256;

ScsiResult IllegalRequest(std::uint8_t asc) { return CheckCondition(0x05, asc, 0x00); }

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

VirtualRecorder::VirtualRecorder(const VirtualRecorderConfig& config)
    : image_path_(config.image_path),
      state_path_(config.state_path.empty() ? config.image_path + ".state" : config.state_path),
      persist_(config.persist),
      look_only_(config.look_only),
      faults_(std::make_unique<VirtualFaults>()) {}

std::unique_ptr<VirtualRecorder> VirtualRecorder::Open(const VirtualRecorderConfig& config) {
  if (config.image_path.empty() && config.state_path.empty()) {
    throw Exception("A virtual recorder needs an image file or a state file");
  }
  std::unique_ptr<VirtualRecorder> recorder(new VirtualRecorder(config));
  try {
    recorder->OpenFiles(config);
  } catch (...) {
    // A recorder that did not open must not write a state file on its way out.
    recorder->persist_ = false;
    throw;
  }
  return recorder;
}

void VirtualRecorder::OpenFiles(const VirtualRecorderConfig& config) {
  if (persist_ && !look_only_) LockStateFile();
  const bool existing = persist_ && FileExists(state_path_);
  if (existing) {
    auto probe = std::make_unique<VirtualDisc>("");
    std::string named_image;
    LoadVirtualState(state_path_, *probe, *faults_, named_image);
    if (image_path_.empty()) image_path_ = named_image;
    if (image_path_.empty()) {
      throw EConvertError("Invalid virtual recorder state \"" + state_path_ + "\": it names no image");
    }
    disc_ = std::make_unique<VirtualDisc>(image_path_);
    VirtualDisc& disc = *disc_;
    if (!FileExists(image_path_) && probe->RecordedEnd() > 0) {
      throw EFOpenError("The disc image \"" + image_path_ + "\" of \"" + state_path_ + "\" is missing");
    }
    disc.OpenImage();
    // Copy the loaded state over.
    disc.medium = probe->medium;
    disc.tray_open = probe->tray_open;
    disc.formatted = probe->formatted;
    disc.finalized = probe->finalized;
    disc.closed_sessions = probe->closed_sessions;
    disc.capacity = probe->capacity;
    disc.written_extent = probe->written_extent;
    disc.tracks = probe->tracks;
    disc.operation = probe->operation;
    disc.operation_start_ms = probe->operation_start_ms;
    disc.operation_end_ms = probe->operation_end_ms;
    disc.timing_percent = probe->timing_percent;
    disc.vendor = probe->vendor;
    disc.product = probe->product;
    disc.revision = probe->revision;
    if (disc.IsReadOnly() && disc.medium != VirtualMedium::None) {
      struct stat info;
      if (::stat(image_path_.c_str(), &info) != 0 ||
          static_cast<std::uint64_t>(info.st_size) < std::uint64_t{disc.capacity} * kBlockSize) {
        throw EConvertError("The pressed disc image \"" + image_path_ + "\" is shorter than the " +
                            std::to_string(disc.capacity) + " blocks its state names");
      }
    } else {
      disc.ResizeImage(std::uint64_t{disc.capacity} * kBlockSize);
    }
    disc.media_event = disc.HasMedium();
  } else {
    if (image_path_.empty()) throw Exception("A new virtual recorder needs an image file");
    disc_ = std::make_unique<VirtualDisc>(image_path_);
    disc_->OpenImage();
    // A pressed disc only comes from an image: until one is imported the drive stays empty.
    if (SpecOf(config.initial_medium).recording == RecordingKind::ReadOnly) {
      disc_->RemoveMedium();
    } else {
      disc_->InsertBlank(config.initial_medium);
    }
    SaveLocked();
  }
}

VirtualRecorder::~VirtualRecorder() {
  try {
    std::lock_guard lock(mutex_);
    SaveLocked();
  } catch (...) {
    // Nothing more can be done about a state file that cannot be written on the way out.
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);  // closing releases the lock
}

void VirtualRecorder::LockStateFile() {
  const std::string lock_path = state_path_ + ".lock";
  lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd_ < 0) {
    throw EFOpenError("Cannot open the lock file \"" + lock_path + "\": " + std::strerror(errno));
  }
  if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(lock_fd_);
    lock_fd_ = -1;
    if (error == EWOULDBLOCK) {
      throw Exception("The virtual recorder \"" + state_path_ + "\" is in use by another program");
    }
    throw EFOpenError("Cannot lock \"" + lock_path + "\": " + std::strerror(error));
  }
}

void VirtualRecorder::SaveLocked() {
  if (!persist_ || look_only_ || !disc_) return;
  SaveVirtualState(state_path_, *disc_, *faults_);
  unsaved_writes_ = 0;
}

void VirtualRecorder::Save() {
  std::lock_guard lock(mutex_);
  SaveLocked();
}

void VirtualRecorder::MaybeSaveLocked(bool structural) {
  if (!structural && unsaved_writes_ < kWritesBetweenSaves) return;
  try {
    SaveLocked();
  } catch (const Exception&) {
    // The command itself succeeded; the state is written again with the next change.
  }
}

ScsiResult VirtualRecorder::Execute(const ScsiCommand& command) {
  std::lock_guard lock(mutex_);
  VirtualCommandRecord record;
  record.cdb = command.cdb;
  record.cdb_length = command.cdb_length;
  record.direction = command.direction;
  record.data_length = command.data_length;
  if (command.direction == ScsiDirection::Out && command.data != nullptr &&
      command.data_length <= kLoggedDataLimit) {
    record.data_out.assign(command.data, command.data + command.data_length);
  }
  ScsiResult result;
  bool structural = false;
  try {
    result = ExecuteLocked(command);
  } catch (const Exception& error) {
    // The image could not be read or written: a medium error, as a drive reports it.
    result = CheckCondition(0x03, command.opcode() == 0x2A ? 0x0C : 0x11, 0x00);
    structural = true;
  }
  record.result = result;
  log_.push_back(std::move(record));
  if (log_.size() > kLogLimit) log_.pop_front();
  (void)structural;
  return result;
}

ScsiResult VirtualRecorder::ExecuteLocked(const ScsiCommand& command) {
  VirtualDisc& disc = *disc_;
  const vrec::CommandRule* rule = vrec::FindRule(command.opcode());
  if (rule == nullptr) return IllegalRequest(0x20);
  // ATAPI carries every CDB in a 12-byte packet, so a shorter command may come padded.
  const std::uint8_t longest = std::max<std::uint8_t>(rule->cdb_length, 12);
  if (command.cdb_length < rule->cdb_length || command.cdb_length > longest) return IllegalRequest(0x24);
  if (command.data_length != 0) {
    if (command.direction != rule->direction || command.data == nullptr) return IllegalRequest(0x24);
  }

  bool fault_changed = false;
  std::optional<ScsiResult> injected = faults_->BeforeCommand(command, disc, fault_changed);
  if (fault_changed) MaybeSaveLocked(true);
  if (injected) return *injected;

  // Identification and status commands never carry a unit attention; the
  // first other command after a medium change does, once.
  const bool status_command = command.opcode() == 0x03 || command.opcode() == 0x12 || command.opcode() == 0x46 ||
                              command.opcode() == 0x4A;
  if (disc.unit_attention && !status_command) {
    disc.unit_attention = false;
    return vrec::Sense(0x06, 0x28, 0x00);
  }
  if (!rule->during_operation && disc.OperationRunning()) return vrec::NotReadyResult(disc);
  if (rule->needs_medium) {
    fault_changed = false;
    injected = faults_->NotReady(fault_changed);
    if (fault_changed) MaybeSaveLocked(true);
    if (injected) return *injected;
    if (!disc.HasMedium()) return vrec::NotReadyResult(disc);
  }
  if (command.opcode() == 0x2A) {
    fault_changed = false;
    injected = faults_->WriteError(vrec::Get32(&command.cdb[2]), vrec::Get16(&command.cdb[7]), fault_changed);
    if (fault_changed) MaybeSaveLocked(true);
    if (injected) return *injected;
  }

  vrec::CommandEffects effects;
  ScsiResult result = vrec::RunCommand(disc, command, effects);
  // A command that took its parameter list took all of it.
  if (result.ok() && command.direction == ScsiDirection::Out && result.transferred == 0) {
    result.transferred = command.data_length;
  }
  if (effects.wrote) ++unsaved_writes_;
  MaybeSaveLocked(effects.structural);
  return result;
}

std::optional<ScsiAddress> VirtualRecorder::Address() const {
  std::lock_guard lock(mutex_);
  return address_;
}

void VirtualRecorder::SetAddress(std::optional<ScsiAddress> address) {
  std::lock_guard lock(mutex_);
  address_ = address;
}

std::string VirtualRecorder::Describe() const {
  std::lock_guard lock(mutex_);
  const VirtualDisc& disc = *disc_;
  std::string text = "Virtual recorder " + disc.vendor + disc.product + disc.revision + " (";
  if (disc.medium == VirtualMedium::None) {
    text += "no medium";
  } else {
    text += disc.Spec().display_name;
    if (disc.tray_open) text += ", tray open";
  }
  return text + ") " + image_path_;
}

void VirtualRecorder::InsertBlank(VirtualMedium medium) {
  std::lock_guard lock(mutex_);
  if (medium != VirtualMedium::None && SpecOf(medium).recording == RecordingKind::ReadOnly) {
    throw Exception(std::string("A blank ") + SpecOf(medium).display_name +
                    " does not exist: import an image to make a pressed disc");
  }
  if (medium == VirtualMedium::None) {
    disc_->RemoveMedium();
  } else {
    disc_->InsertBlank(medium);
    disc_->MediumArrived();
  }
  SaveLocked();
}

void VirtualRecorder::RemoveMedium() {
  std::lock_guard lock(mutex_);
  disc_->RemoveMedium();
  disc_->tray_open = false;
  SaveLocked();
}

void VirtualRecorder::OpenTray() {
  std::lock_guard lock(mutex_);
  disc_->tray_open = true;
  SaveLocked();
}

void VirtualRecorder::CloseTray() {
  std::lock_guard lock(mutex_);
  if (disc_->tray_open) disc_->MediumArrived();
  disc_->tray_open = false;
  SaveLocked();
}

void VirtualRecorder::ImportIso(const std::string& iso_path, VirtualMedium medium, bool finalize) {
  std::lock_guard lock(mutex_);
  if (medium == VirtualMedium::None) throw Exception("Choose the medium to put the image on");
  std::ifstream in(iso_path, std::ios::binary);
  if (!in) {
    const int error = errno;
    throw EFOpenError("Cannot open \"" + iso_path + "\": " + SysErrorMessage(error));
  }
  in.seekg(0, std::ios::end);
  const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0);
  if (size == 0) throw Exception("\"" + iso_path + "\" is empty");
  const std::uint64_t blocks64 = (size + kBlockSize - 1) / kBlockSize;
  const MediumSpec& medium_spec = SpecOf(medium);
  if (medium_spec.recording != RecordingKind::ReadOnly && blocks64 > medium_spec.capacity) {
    throw Exception("\"" + iso_path + "\" needs " + std::to_string(blocks64) + " blocks; a " +
                    medium_spec.display_name + " holds " + std::to_string(medium_spec.capacity));
  }
  if (blocks64 > 0x7FFFFFFF) throw Exception("\"" + iso_path + "\" is too large for a disc");
  const std::uint32_t blocks = static_cast<std::uint32_t>(blocks64);

  VirtualDisc& disc = *disc_;
  if (medium_spec.recording == RecordingKind::ReadOnly) {
    disc.medium = medium;
    disc.tray_open = false;
    disc.capacity = blocks;
    disc.operation = VirtualOperation::None;
    disc.Wipe();
    disc.ResetWritePage();
  } else {
    disc.InsertBlank(medium);
  }
  std::vector<std::uint8_t> buffer(1024 * 1024);
  std::uint64_t offset = 0;
  while (offset < size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want));
    if (in.gcount() != static_cast<std::streamsize>(want)) {
      disc.Wipe();
      throw EReadError("Cannot read \"" + iso_path + "\"");
    }
    disc.WriteImage(offset, buffer.data(), want);
    offset += want;
  }
  switch (medium_spec.recording) {
    case RecordingKind::ReadOnly:
      disc.written_extent = blocks;
      break;
    case RecordingKind::Overwrite:
      disc.formatted = true;
      disc.written_extent = blocks;
      break;
    case RecordingKind::Sequential: {
      VirtualTrack track;
      track.number = 1;
      track.session = 1;
      track.recorded = blocks;
      track.closed = true;
      disc.tracks.push_back(track);
      disc.closed_sessions = 1;
      disc.finalized = finalize || disc.OpenSessionStart() >= disc.capacity;
      break;
    }
  }
  disc.MediumArrived();
  SaveLocked();
}

void VirtualRecorder::ExportIso(const std::string& iso_path) const {
  std::lock_guard lock(mutex_);
  const VirtualDisc& disc = *disc_;
  if (disc.medium == VirtualMedium::None) throw Exception("The drive holds no disc");
  const std::uint32_t end = disc.RecordedEnd();
  if (end == 0) throw Exception("The disc holds no data");
  const std::string temporary = iso_path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    const int error = errno;
    throw EFCreateError("Cannot create \"" + iso_path + "\": " + SysErrorMessage(error));
  }
  std::vector<std::uint8_t> buffer(512 * kBlockSize);
  for (std::uint32_t lba = 0; lba < end;) {
    const std::uint32_t count = std::min<std::uint32_t>(512, end - lba);
    disc.ReadImage(std::uint64_t{lba} * kBlockSize, buffer.data(), std::size_t{count} * kBlockSize);
    out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(count) * kBlockSize);
    lba += count;
  }
  out.close();
  if (!out) {
    std::remove(temporary.c_str());
    throw EWriteError("Cannot write \"" + iso_path + "\"");
  }
  if (std::rename(temporary.c_str(), iso_path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throw EWriteError("Cannot write \"" + iso_path + "\": " + SysErrorMessage(error));
  }
}

VirtualMedium VirtualRecorder::Medium() const {
  std::lock_guard lock(mutex_);
  return disc_->medium;
}

VirtualDiscSummary VirtualRecorder::Summary() const {
  std::lock_guard lock(mutex_);
  VirtualDisc& disc = *disc_;
  VirtualDiscSummary summary;
  summary.medium = disc.medium;
  summary.tray_open = disc.tray_open;
  summary.capacity = disc.capacity;
  summary.formatted = disc.formatted;
  if (disc.medium == VirtualMedium::None) {
    summary.status = "none";
    return summary;
  }
  if (disc.OperationRunning()) {
    summary.status = disc.operation == VirtualOperation::Format ? "formatting" : "blanking";
  } else {
    static const char* const kStatus[] = {"blank", "appendable", "complete", "complete"};
    summary.status = kStatus[disc.DiscStatus()];
  }
  summary.used = disc.RecordedEnd();
  summary.free_blocks = disc.FreeBlocks();
  if (auto start = disc.InvisibleNextWritable()) summary.next_writable = *start;
  for (const VirtualTrack& track : disc.tracks) {
    VirtualTrackSummary t;
    t.number = track.number;
    t.session = track.session;
    t.start = track.start;
    t.size = track.Size();
    t.recorded = track.recorded;
    t.audio = track.audio;
    t.pregap = track.pregap;
    if (!track.closed && track.reserved == 0) summary.next_writable = track.NextWritable();
    t.state = track.closed ? "complete" : track.reserved != 0 ? "reserved" : "incomplete";
    summary.tracks.push_back(t);
  }
  std::uint32_t sessions = disc.closed_sessions;
  if (disc.OpenSessionHasTracks()) ++sessions;
  if (!disc.IsSequential()) sessions = disc.IsBlank() ? 0 : 1;
  summary.sessions = sessions;
  if (!disc.IsSequential() && !disc.IsBlank()) {
    summary.tracks.push_back({1, 1, 0, disc.capacity, disc.written_extent, "complete"});
  }
  return summary;
}

void VirtualRecorder::AddFault(const VirtualFault& fault) {
  std::lock_guard lock(mutex_);
  VirtualFault copy = fault;
  if (copy.count == 0) copy.count = 1;
  faults_->list.push_back(copy);
  SaveLocked();
}

void VirtualRecorder::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_->list.clear();
  SaveLocked();
}

std::vector<VirtualFault> VirtualRecorder::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_->list;
}

std::vector<VirtualCommandRecord> VirtualRecorder::CommandLog() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

void VirtualRecorder::ClearCommandLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void VirtualRecorder::SetTimingPercent(std::uint32_t percent) {
  std::lock_guard lock(mutex_);
  disc_->timing_percent = percent;
  SaveLocked();
}
