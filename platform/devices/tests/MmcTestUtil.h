#pragma once
// Small helpers for tests that talk MMC to a ScsiTarget: build a CDB, run it
// with a data buffer, and read big-endian fields of the answer. Free of any
// test framework so that other test programs can use it too.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/devices/ScsiTarget.h"

namespace mmc {

struct Reply {
  ScsiResult result;
  std::vector<std::uint8_t> data;  // data in, cut to what the target transferred

  bool ok() const { return result.ok(); }
  std::uint8_t key() const { return result.sense_key(); }
  std::uint8_t asc() const { return result.asc(); }
  std::uint8_t ascq() const { return result.ascq(); }
  // "05/21/02" for assertions that read like a drive's answer.
  std::uint32_t sense() const { return (std::uint32_t{key()} << 16) | (std::uint32_t{asc()} << 8) | ascq(); }
};

inline constexpr std::uint32_t Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  return (std::uint32_t{key} << 16) | (std::uint32_t{asc} << 8) | ascq;
}

inline std::uint32_t Be16(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 8) | p[1]; }
inline std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
inline void PutBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  PutBe16(p + 2, v);
}

// A command with the CDB given byte by byte; the length is the number of bytes.
inline ScsiCommand Cdb(std::initializer_list<std::uint8_t> bytes) {
  ScsiCommand command;
  std::size_t i = 0;
  for (std::uint8_t b : bytes) command.cdb[i++] = b;
  command.cdb_length = static_cast<std::uint8_t>(bytes.size());
  return command;
}

inline Reply Run(ScsiTarget& target, ScsiCommand command) {
  Reply reply;
  command.direction = ScsiDirection::None;
  command.data = nullptr;
  command.data_length = 0;
  reply.result = target.Execute(command);
  return reply;
}

inline Reply RunIn(ScsiTarget& target, ScsiCommand command, std::uint32_t length) {
  Reply reply;
  reply.data.assign(length, 0xCC);
  command.direction = ScsiDirection::In;
  command.data = reply.data.data();
  command.data_length = length;
  reply.result = target.Execute(command);
  reply.data.resize(reply.result.transferred <= length ? reply.result.transferred : length);
  return reply;
}

inline Reply RunOut(ScsiTarget& target, ScsiCommand command, std::vector<std::uint8_t> data) {
  Reply reply;
  command.direction = ScsiDirection::Out;
  command.data = data.data();
  command.data_length = static_cast<std::uint32_t>(data.size());
  reply.result = target.Execute(command);
  return reply;
}

// ----- the commands, with the fields tests set most

inline Reply TestUnitReady(ScsiTarget& t) { return Run(t, Cdb({0x00, 0, 0, 0, 0, 0})); }
inline Reply RequestSense(ScsiTarget& t) { return RunIn(t, Cdb({0x03, 0, 0, 0, 18, 0}), 18); }
inline Reply Inquiry(ScsiTarget& t, std::uint8_t length = 96) {
  return RunIn(t, Cdb({0x12, 0, 0, 0, length, 0}), length);
}
inline Reply StartStop(ScsiTarget& t, bool eject) {
  return Run(t, Cdb({0x1B, 0, 0, 0, static_cast<std::uint8_t>(eject ? 0x02 : 0x03), 0}));
}
inline Reply PreventRemoval(ScsiTarget& t, bool prevent) {
  return Run(t, Cdb({0x1E, 0, 0, 0, static_cast<std::uint8_t>(prevent ? 1 : 0), 0}));
}
inline Reply ReadFormatCapacities(ScsiTarget& t, std::uint16_t length = 252) {
  return RunIn(t,
               Cdb({0x23, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8),
                    static_cast<std::uint8_t>(length), 0}),
               length);
}
inline Reply ReadCapacity(ScsiTarget& t) { return RunIn(t, Cdb({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 8); }

inline ScsiCommand Rw10(std::uint8_t opcode, std::uint32_t lba, std::uint16_t count) {
  ScsiCommand c = Cdb({opcode, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  PutBe32(&c.cdb[2], lba);
  PutBe16(&c.cdb[7], count);
  return c;
}
inline Reply Read10(ScsiTarget& t, std::uint32_t lba, std::uint16_t count) {
  return RunIn(t, Rw10(0x28, lba, count), std::uint32_t{count} * 2048);
}
// Writes `count` blocks each filled with `fill`, or with the given data.
inline Reply Write10(ScsiTarget& t, std::uint32_t lba, std::uint16_t count, std::uint8_t fill = 0x5A) {
  return RunOut(t, Rw10(0x2A, lba, count), std::vector<std::uint8_t>(std::size_t{count} * 2048, fill));
}
inline Reply Write10Data(ScsiTarget& t, std::uint32_t lba, const std::vector<std::uint8_t>& data) {
  return RunOut(t, Rw10(0x2A, lba, static_cast<std::uint16_t>(data.size() / 2048)), data);
}
inline Reply SynchronizeCache(ScsiTarget& t, bool immed = false) {
  return Run(t, Cdb({0x35, static_cast<std::uint8_t>(immed ? 2 : 0), 0, 0, 0, 0, 0, 0, 0, 0}));
}
inline Reply ReadToc(ScsiTarget& t, std::uint8_t format, std::uint8_t track = 0, bool msf = false,
                     std::uint16_t length = 1024) {
  return RunIn(t,
               Cdb({0x43, static_cast<std::uint8_t>(msf ? 2 : 0), format, 0, 0, 0, track,
                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0}),
               length);
}
inline Reply GetConfiguration(ScsiTarget& t, std::uint8_t rt, std::uint16_t feature,
                              std::uint16_t length = 1024) {
  return RunIn(t,
               Cdb({0x46, rt, static_cast<std::uint8_t>(feature >> 8), static_cast<std::uint8_t>(feature), 0,
                    0, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0}),
               length);
}
inline Reply ReadDiscInformation(ScsiTarget& t) {
  return RunIn(t, Cdb({0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}), 34);
}
// Address type 1 (track number) unless told otherwise.
inline Reply ReadTrackInformation(ScsiTarget& t, std::uint32_t number, std::uint8_t type = 1) {
  ScsiCommand c = Cdb({0x52, type, 0, 0, 0, 0, 0, 0, 48, 0});
  PutBe32(&c.cdb[2], number);
  return RunIn(t, c, 48);
}
inline Reply ReserveTrack(ScsiTarget& t, std::uint32_t size) {
  ScsiCommand c = Cdb({0x53, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  PutBe32(&c.cdb[5], size);
  return Run(t, c);
}
inline Reply CloseTrackSession(ScsiTarget& t, std::uint8_t function, std::uint16_t number = 0,
                               bool immed = false) {
  return Run(t, Cdb({0x5B, static_cast<std::uint8_t>(immed ? 1 : 0), function, 0,
                     static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number), 0, 0, 0, 0}));
}
inline Reply ReadBufferCapacity(ScsiTarget& t) {
  return RunIn(t, Cdb({0x5C, 0, 0, 0, 0, 0, 0, 0, 12, 0}), 12);
}
inline Reply ModeSense10(ScsiTarget& t, std::uint8_t page, std::uint16_t length = 255,
                         std::uint8_t control = 0) {
  return RunIn(t,
               Cdb({0x5A, 0, static_cast<std::uint8_t>((control << 6) | page), 0, 0, 0, 0,
                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0}),
               length);
}
// MODE SELECT(10) of one page behind an 8-byte header.
inline Reply ModeSelectPage(ScsiTarget& t, const std::vector<std::uint8_t>& page) {
  std::vector<std::uint8_t> list(8, 0);
  list.insert(list.end(), page.begin(), page.end());
  const std::uint16_t length = static_cast<std::uint16_t>(list.size());
  return RunOut(t,
                Cdb({0x55, 0x10, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length), 0}),
                list);
}
// Write parameters page 05h: write type, multi-session field (0-3), test write.
inline std::vector<std::uint8_t> WriteParametersPage(std::uint8_t write_type, std::uint8_t multi_session,
                                                     bool test_write = false, std::uint8_t track_mode = 4) {
  std::vector<std::uint8_t> page(52, 0);
  page[0] = 0x05;
  page[1] = 0x32;
  page[2] = static_cast<std::uint8_t>((test_write ? 0x10 : 0) | (write_type & 0x0F));
  page[3] = static_cast<std::uint8_t>((multi_session << 6) | track_mode);
  page[4] = 0x08;  // mode 1
  page[15] = 150;
  return page;
}
inline Reply SetWriteParameters(ScsiTarget& t, std::uint8_t write_type, std::uint8_t multi_session,
                                bool test_write = false) {
  return ModeSelectPage(t, WriteParametersPage(write_type, multi_session, test_write));
}
// FORMAT UNIT with FmtData and a 12-byte parameter list.
inline Reply FormatUnit(ScsiTarget& t, std::vector<std::uint8_t> list, std::uint8_t cdb1 = 0x11) {
  return RunOut(t, Cdb({0x04, cdb1, 0, 0, 0, 0}), std::move(list));
}
inline std::vector<std::uint8_t> FormatList(std::uint32_t blocks, std::uint8_t type, std::uint32_t parameter,
                                            bool immed) {
  std::vector<std::uint8_t> list(12, 0);
  list[1] = static_cast<std::uint8_t>(0x80 | (immed ? 0x02 : 0));
  list[3] = 8;
  PutBe32(&list[4], blocks);
  list[8] = static_cast<std::uint8_t>(type << 2);
  list[9] = static_cast<std::uint8_t>(parameter >> 16);
  PutBe16(&list[10], parameter);
  return list;
}
inline Reply Blank(ScsiTarget& t, std::uint8_t type, bool immed, std::uint32_t timeout_ms = 4800000) {
  ScsiCommand c =
      Cdb({0xA1, static_cast<std::uint8_t>((immed ? 0x10 : 0) | type), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  c.timeout_ms = timeout_ms;
  return Run(t, c);
}
inline Reply SetCdSpeed(ScsiTarget& t, std::uint16_t read, std::uint16_t write) {
  return Run(
      t, Cdb({0xBB, 0, static_cast<std::uint8_t>(read >> 8), static_cast<std::uint8_t>(read),
              static_cast<std::uint8_t>(write >> 8), static_cast<std::uint8_t>(write), 0, 0, 0, 0, 0, 0}));
}

}  // namespace mmc
