#pragma once
// Stand-ins for the kernel and for drives, shared by the device tests.

#include <fcntl.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/devices/ScsiTarget.h"
#include "platform/devices/SgTarget.h"

// A scratch folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("burner-devices-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string path() const { return path_.string(); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  void Write(const std::string& name, const std::string& text) const {
    const auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

// A machine's /sys, /dev and /proc as far as drives go.
struct MachineTree {
  TempDir dir;
  // srN with its kernel address "H:C:T:L" and whether it writes.
  void AddDrive(int index, const std::string& hctl, bool writer) {
    const std::string name = "sr" + std::to_string(index);
    const auto block = std::filesystem::path(dir.path()) / "sys/class/block" / name;
    std::filesystem::create_directories(block);
    const auto device = std::filesystem::path(dir.path()) / "sys/devices/pci0/host/target" / hctl;
    std::filesystem::create_directories(device);
    std::filesystem::create_directory_symlink(std::filesystem::relative(device, block), block / "device");
    dir.Write("dev/" + name, "");
    drives.push_back({name, writer});
    WriteCdromInfo();
  }
  void WriteCdromInfo() {
    std::string names = "drive name:\t", cdr = "Can write CD-R:\t", dvdr = "Can write DVD-R:\t";
    for (auto it = drives.rbegin(); it != drives.rend(); ++it) {
      names += "\t" + it->first;
      cdr += std::string("\t") + (it->second ? "1" : "0");
      dvdr += "\t0";
    }
    dir.Write("proc/sys/dev/cdrom/info", "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n" + names +
                                             "\ndrive speed:\t\t48\n" + cdr + "\n" + dvdr + "\n");
  }
  std::vector<std::pair<std::string, bool>> drives;
};

// The sg driver as a test wants it to answer. Records every SG_IO header.
class FakeSgKernel final : public SgKernel {
 public:
  struct Command {
    std::vector<std::uint8_t> cdb;
    int direction = 0;
    unsigned length = 0;
    unsigned timeout = 0;
    std::vector<std::uint8_t> data_out;
  };

  int Open(const std::string& path, int flags) override {
    opens.push_back({path, flags});
    if (auto it = open_errors.find(flags & O_ACCMODE); it != open_errors.end()) return -it->second;
    const int fd = next_fd++;
    paths[fd] = path;
    return fd;
  }
  int Close(int fd) override {
    closed.push_back(fd);
    return paths.erase(fd) ? 0 : -EBADF;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    if (!paths.count(fd)) return -EBADF;
    if (request == SCSI_IOCTL_GET_IDLUN) {
      if (!idlun) return -EINVAL;
      std::memcpy(arg, &*idlun, sizeof *idlun);
      return 0;
    }
    if (request != SG_IO) return -ENOTTY;
    auto* hdr = static_cast<sg_io_hdr_t*>(arg);
    Command command;
    command.cdb.assign(hdr->cmdp, hdr->cmdp + hdr->cmd_len);
    command.direction = hdr->dxfer_direction;
    command.length = hdr->dxfer_len;
    command.timeout = hdr->timeout;
    if (hdr->dxfer_direction == SG_DXFER_TO_DEV) {
      const auto* data = static_cast<const std::uint8_t*>(hdr->dxferp);
      command.data_out.assign(data, data + hdr->dxfer_len);
    }
    commands.push_back(command);
    return answer ? answer(*hdr) : 0;
  }

  std::map<int, int> open_errors;  // O_RDONLY/O_RDWR -> errno
  std::function<int(sg_io_hdr_t&)> answer;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> idlun;
  std::vector<std::pair<std::string, int>> opens;
  std::vector<int> closed;
  std::vector<Command> commands;
  std::map<int, std::string> paths;
  int next_fd = 100;
};

// A drive in memory that answers INQUIRY and fails everything else with a
// chosen sense; counts what it saw.
class FakeTarget final : public ScsiTarget {
 public:
  ScsiResult Execute(const ScsiCommand& command) override {
    seen.push_back(command);
    if (command.opcode() == 0x12 && command.direction == ScsiDirection::In) {
      const std::uint8_t inquiry[36] = {0x05, 0x80, 0x05, 0x32, 31,  0,   0,   0,   'T', 'E', 'S', 'T',
                                        ' ',  ' ',  ' ',  ' ',  'F', 'A', 'K', 'E', ' ', 'D', 'R', 'I',
                                        'V',  'E',  ' ',  ' ',  ' ', ' ', ' ', ' ', '1', '.', '0', '0'};
      const auto n = std::min<std::uint32_t>(command.data_length, sizeof inquiry);
      std::memcpy(command.data, inquiry, n);
      ScsiResult result;
      result.transferred = n;
      return result;
    }
    if (!deliver) {
      ScsiResult result;
      result.delivered = false;
      result.timed_out = true;
      result.host_error = "timed out";
      return result;
    }
    return CheckCondition(0x05, 0x20, 0x00);
  }
  std::optional<ScsiAddress> Address() const override { return std::nullopt; }
  std::string Describe() const override { return "fake"; }

  bool deliver = true;
  std::vector<ScsiCommand> seen;
};
