#pragma once
// TQCDBurner, the recorder component: the compilation (the tree of folders
// and files to write), its ISO 9660 / Joliet / El Torito layout and header,
// and the image-file build, directly or through the cache and write threads.
//
// The drive half (selecting a drive, sending commands, burning and erasing)
// comes from the drive object it extends.

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Clock.h"
#include "recorder/xrCache.h"
#include "recorder/xrDrvLib.h"
#include "recorder/xrISOLib.h"

class TQCDBurner;

// The recorder says why Skip starts True in Reason (empty when it does not);
// a handler that renames an entry can clear Skip.
using TAddFileEvent = std::function<void(
    TQCDBurner* Sender, const std::string& FullPath, std::string& LongFileName, std::string& ShortFileName,
    Clock::TimePoint& DateTime, int Attr, std::int64_t FileSize, bool& Skip, const std::string& Reason)>;
using TAddDirEvent = std::function<void(TQCDBurner* Sender, std::string& LongName, std::string& ShortName,
                                        bool& Skip, const std::string& Reason)>;
using TWriteDoneEvent = std::function<void(TQCDBurner* Sender, const std::string& Error)>;
using TNotifyEvent = std::function<void(TQCDBurner* Sender)>;

// What the recorder knows of one host file or folder.
struct TFileInfo {
  std::string Name;
  std::int64_t Size = 0;
  int Attr = 0;
  Clock::TimePoint Time{};
};

// A name safe to create in a host folder: no separators, control
// characters, "." or "..".
std::string SafeFileName(const std::string& name);

// Value in decimal, preceded by Fill as often as the digits fall short of Width.
void PadLeftNumber(int Width, const std::string& Fill, std::string& Result, std::int64_t Value);

class TQCDBurner : public TSCSIDevice {
 public:
  TQCDBurner();
  ~TQCDBurner() override;
  TQCDBurner(const TQCDBurner&) = delete;
  TQCDBurner& operator=(const TQCDBurner&) = delete;

  // --- Properties
  bool ReplaceFile() const { return replace_file_; }
  void SetReplaceFile(bool v) { replace_file_ = v; }
  bool FinalizeTrack() const { return finalize_track_; }
  void SetFinalizeTrack(bool v) { finalize_track_ = v; }
  bool PerformOPC() const { return perform_opc_; }
  void SetPerformOPC(bool v) { perform_opc_ = v; }
  bool WritePostGap() const { return write_post_gap_; }
  void SetWritePostGap(bool v) { write_post_gap_ = v; }
  bool JolietFileSystem() const { return joliet_; }
  void SetJolietFileSystem(bool v) { joliet_ = v; }
  int CacheSize() const { return cache_size_; }
  void SetCacheSize(int v);
  const std::string& ISOFileName() const { return iso_file_name_; }
  void SetISOFileName(const std::string& v) { iso_file_name_ = v; }
  // The library version; assigning it changes nothing.
  std::string Version() const { return "1.23"; }
  void SetVersion(const std::string&) {}

  const std::string& IdVolume() const { return ids_.Volume; }
  void SetIdVolume(const std::string& v) { ids_.Volume = v; }
  const std::string& IdSystem() const { return ids_.System; }
  void SetIdSystem(const std::string& v) { ids_.System = v; }
  const std::string& IdVolumeSet() const { return ids_.VolumeSet; }
  void SetIdVolumeSet(const std::string& v) { ids_.VolumeSet = v; }
  const std::string& IdPublisher() const { return ids_.Publisher; }
  void SetIdPublisher(const std::string& v) { ids_.Publisher = v; }
  const std::string& IdPreparer() const { return ids_.Preparer; }
  void SetIdPreparer(const std::string& v) { ids_.Preparer = v; }
  const std::string& IdApplication() const { return ids_.Application; }
  void SetIdApplication(const std::string& v) { ids_.Application = v; }
  const std::string& FileCopyright() const { return ids_.Copyright; }
  void SetFileCopyright(const std::string& v) { ids_.Copyright = v; }
  const std::string& FileAbstract() const { return ids_.Abstract; }
  void SetFileAbstract(const std::string& v) { ids_.Abstract = v; }
  const std::string& FileBibliographic() const { return ids_.Bibliographic; }
  void SetFileBibliographic(const std::string& v) { ids_.Bibliographic = v; }
  Clock::TimePoint DateCreation() const { return ids_.JolietCreation; }
  void SetDateCreation(Clock::TimePoint v) { ids_.JolietCreation = v; }
  Clock::TimePoint DateModification() const { return ids_.JolietModification; }
  void SetDateModification(Clock::TimePoint v) { ids_.JolietModification = v; }
  // Kept for the caller; no descriptor uses them.
  Clock::TimePoint DateEffective() const { return date_effective_; }
  void SetDateEffective(Clock::TimePoint v) { date_effective_ = v; }
  Clock::TimePoint DateExpiration() const { return date_expiration_; }
  void SetDateExpiration(Clock::TimePoint v) { date_expiration_ = v; }

  // --- Events
  TAddFileEvent OnAddFile;
  TAddDirEvent OnAddDir;
  TWriteDoneEvent OnWriteDone;
  TNotifyEvent OnFinalizingTrack;

  // --- Public fields
  bool Bootable = false;
  std::string BootImage;
  int SessionToImport = 0;

  TDEntry* RootDir() const { return tables_.Root(); }
  TCompilation& Compilation() { return tables_; }
  std::vector<std::uint8_t>& HeaderStream() { return header_; }
  const std::vector<std::uint8_t>& DescriptorCopy() const { return descriptor_copy_; }
  const TLayoutFigures& Layout() const { return layout_; }
  std::int64_t TrackSectors() const { return layout_.TrackSectors; }
  std::int64_t BytesWritten() const { return bytes_written_; }
  bool Writing() const { return writing_; }

  // --- Compilation
  bool InitCompilation(int MaxFiles, int MaxDirs);
  TDEntry* CreateDir(const std::string& DestPath, const std::string& Name);
  int AddDir(const std::string& DestPath, const std::string& SourceDir, const std::string& Mask, int Attr,
             bool Recursive, bool SavePath, bool ArchiveOnly);
  int AddFile(const std::string& DestPath, const std::string& FileName, bool SavePath);
  // One file entry from what is known of the file; a non-zero Address marks
  // data already on the disc (session import). 1 added, 0 not.
  int AddFileEntry(TDEntry* Dir, const TFileInfo& Info, const std::string& FullPath, std::int64_t Address,
                   bool ArchiveOnly);
  TDEntry* FindDirByPath(const std::string& Path) const;
  void RemoveEntry(TDEntry*& Dir, TFEntry*& Entry);
  bool RemoveDir(TDEntry*& Dir);

  int GetDirCount() const { return tables_.DirCount() - 1; }
  int GetFileCount() const { return tables_.FileCount(); }
  std::int64_t GetTrackSectors() const;
  int GetCacheFillPercent() const;
  std::int64_t GetFolderSize(const std::string& Path) const;
  // Clears the archive bit of the files added archive-only; false when one
  // could not be cleared.
  bool ClearArchiveBits();

  // --- Layout and images
  bool Prepare(bool ImageOnly, TDEntry* ImportTarget);
  bool PrepareLayout(bool ImageOnly, TDEntry* ImportTarget);
  void BuildFileSystemHeader();
  // Direct: builds the whole image before returning 1 (0 when it failed);
  // otherwise -1 and the threads do the work. Either way OnWriteDone tells
  // the end, with an empty text on success. A failed build leaves no file.
  int CreateImageFile(const std::string& FileName, bool Direct);
  void Abort() { abort_requested_ = true; }

  // --- Burning (xrCDBCBurn.cpp)
  bool BurnCompilation();
  bool BurnImageFile(const std::string& FileName);
  // Starts the write thread: into ISOFileName, or to the drive.
  bool StartWriteThread(bool ImageMode);
  // The text OnWriteDone last received.
  const std::string& LastWriteResult() const { return last_write_result_; }

  // --- Earlier sessions (xrCDBCSession.cpp)
  // SessionNo -1 or beyond the last session means the last one.
  bool ImportSession(int SessionNo, TDEntry* TargetDir);
  bool ImportJolietDirectory(std::int64_t Extent, std::int64_t Size, TDEntry* Target);
  bool ImportIsoDirectory(std::int64_t Extent, std::int64_t Size, TDEntry* Target);
  // What the last import passed over, and why.
  const std::vector<std::string>& ImportSkipped() const { return import_skipped_; }
  // Copies an imported file to FileName (a folder gets the entry's name,
  // made safe); an existing file is replaced only with Overwrite. False,
  // with the reason on the debug line, when the disc or the file fails.
  bool ExtractFile(TFEntry* Entry, const std::string& FileName, bool Overwrite = false);
  // Where the next session starts on the loaded disc (into the layout).
  bool GetSessionStart();
  std::uint32_t FindLastVolumeDescriptor();

 private:
  void Debug(const std::string& text, int level);
  TDEntry* AddDirEntry(TDEntry* parent, const std::string& name, const std::string& short_name, int attr,
                       Clock::TimePoint time);
  TDEntry* ForcePath(const std::string& path);
  int AddDirContents(TDEntry* dest, const std::string& source, const std::string& mask, int attr,
                     bool recursive, bool archive_only, std::vector<std::pair<dev_t, ino_t>>& ancestors);
  std::string WriteImageDirect(const std::string& file_name);
  // The write thread in image mode; the drive half adds the burn mode.
  void StartImageWriteThread();
  void WriteImageThread();
  void JoinWriteThread();
  void FireWriteDone(const std::string& error);
  std::vector<TCacheItem> CacheItems();
  bool DriveBusy() const;
  bool WaitWhileNotReady(std::uint32_t step_ms);
  bool ReadyOrWait(int budget_ms, int step_ms);
  TCacheThread::Params BurnCacheParams(int block_size);
  bool PrimeAndStart(TCacheThread::Params params);
  void PostNotice(bool finalizing, const std::string& text);
  void WriteBurnThread();
  void WriteDescriptors();
  void ImportSkip(const std::string& what);
  bool ReadDiscSector(std::uint32_t lba, std::uint8_t* buffer);
  bool ImportDirectory(std::int64_t extent, std::int64_t size, TDEntry* target, bool joliet, int depth);

  TCompilation tables_;
  TVolumeIds ids_;
  TLayoutFigures layout_;
  TLayoutOptions layout_options_;
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> descriptor_copy_;
  Clock::TimePoint date_effective_{}, date_expiration_{};
  std::string iso_file_name_;
  int cache_size_ = 4194304;
  bool replace_file_ = false;
  bool finalize_track_ = true;
  bool perform_opc_ = false;
  bool write_post_gap_ = true;
  bool joliet_ = true;

  // The drive's lock, shared by the cache and the write thread.
  class DriveLock final : public TDeviceLock {
   public:
    explicit DriveLock(TSCSIDevice& drive) : drive_(drive) {}
    void lock() override { drive_.Lock(); }
    void unlock() override { drive_.Unlock(); }

   private:
    TSCSIDevice& drive_;
  };
  mutable DriveLock device_lock_{*this};
  std::unique_ptr<TCacheThread> cache_;
  std::thread write_thread_;
  std::atomic<bool> abort_requested_{false};
  std::atomic<bool> writing_{false};
  std::atomic<std::int64_t> bytes_written_{0};
  // Calls posted to the main thread check it, so none reaches a recorder
  // that is gone.
  std::shared_ptr<TQCDBurner*> alive_;

  std::vector<std::string> import_skipped_;
  std::set<std::int64_t> import_visited_;
  // Set around the layout a burn makes, so it reads the session start.
  bool burn_layout_ = false;
  bool image_burn_ = false;
  std::string last_write_result_;
};
