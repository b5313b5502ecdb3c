#include "platform/devices/VirtualFaults.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "platform/devices/VirtualDisc.h"

namespace {

struct KindName {
  VirtualFault::Kind kind;
  const char* name;
};

constexpr KindName kKinds[] = {
    {VirtualFault::Kind::Sense, "sense"},
    {VirtualFault::Kind::Busy, "busy"},
    {VirtualFault::Kind::NotReady, "not-ready"},
    {VirtualFault::Kind::WriteError, "write-error"},
    {VirtualFault::Kind::MediumRemoved, "medium-removed"},
    {VirtualFault::Kind::Timeout, "timeout"},
};

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

bool ParseNumber(const std::string& text, int base, std::uint64_t max, std::uint64_t& out) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out, base);
  return ec == std::errc() && ptr == end && out <= max;
}

}  // namespace

bool VirtualFaults::Fire(std::size_t index, bool& changed) {
  VirtualFault& fault = list[index];
  changed = true;
  if (fault.after > 0) {
    --fault.after;
    return false;
  }
  if (fault.count > 0 && --fault.count == 0) {
    list.erase(list.begin() + static_cast<long>(index));
  }
  return true;
}

std::optional<ScsiResult> VirtualFaults::BeforeCommand(const ScsiCommand& command, VirtualDisc& disc,
                                                       bool& changed) {
  for (std::size_t i = 0; i < list.size();) {
    if (list[i].kind == VirtualFault::Kind::MediumRemoved) {
      if (list[i].after > 0) {
        --list[i].after;
        changed = true;
        ++i;
        continue;
      }
      list.erase(list.begin() + static_cast<long>(i));
      disc.RemoveMedium();
      changed = true;
      continue;
    }
    ++i;
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    const VirtualFault& fault = list[i];
    const bool command_fault = fault.kind == VirtualFault::Kind::Sense ||
                               fault.kind == VirtualFault::Kind::Busy ||
                               fault.kind == VirtualFault::Kind::Timeout;
    if (!command_fault) continue;
    if (fault.opcode >= 0 && fault.opcode != command.opcode()) continue;
    const VirtualFault copy = fault;
    if (!Fire(i, changed)) continue;
    switch (copy.kind) {
      case VirtualFault::Kind::Busy: {
        ScsiResult result;
        result.status = kScsiBusy;
        return result;
      }
      case VirtualFault::Kind::Timeout: {
        ScsiResult result;
        result.delivered = false;
        result.timed_out = true;
        result.host_error = "command timed out";
        return result;
      }
      default:
        return CheckCondition(copy.key, copy.asc, copy.ascq);
    }
  }
  return std::nullopt;
}

std::optional<ScsiResult> VirtualFaults::NotReady(bool& changed) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].kind != VirtualFault::Kind::NotReady) continue;
    if (Fire(i, changed)) return CheckCondition(0x02, 0x04, 0x01);  // becoming ready
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<ScsiResult> VirtualFaults::WriteError(std::uint32_t lba, std::uint32_t count, bool& changed) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const VirtualFault& fault = list[i];
    if (fault.kind != VirtualFault::Kind::WriteError) continue;
    if (fault.lba < lba || fault.lba >= std::uint64_t{lba} + count) continue;
    const VirtualFault copy = fault;
    if (!Fire(i, changed)) continue;
    if (copy.key == 0) return CheckCondition(0x03, 0x0C, 0x00);
    return CheckCondition(copy.key, copy.asc, copy.ascq);
  }
  return std::nullopt;
}

std::string FormatFault(const VirtualFault& fault) {
  std::ostringstream out;
  for (const KindName& kind : kKinds) {
    if (kind.kind == fault.kind) out << kind.name;
  }
  if (fault.opcode >= 0) out << " opcode=" << Hex(static_cast<unsigned>(fault.opcode));
  if (fault.kind == VirtualFault::Kind::Sense || fault.kind == VirtualFault::Kind::WriteError) {
    out << " key=" << Hex(fault.key) << " asc=" << Hex(fault.asc) << " ascq=" << Hex(fault.ascq);
  }
  if (fault.kind == VirtualFault::Kind::WriteError) out << " lba=" << fault.lba;
  if (fault.count < 0) {
    out << " count=always";
  } else {
    out << " count=" << fault.count;
  }
  if (fault.after != 0) out << " after=" << fault.after;
  return out.str();
}

std::optional<std::string> ParseFault(const std::string& text, VirtualFault& fault) {
  std::istringstream in(text);
  std::string word;
  if (!(in >> word)) return "a fault needs a kind";
  bool known = false;
  for (const KindName& kind : kKinds) {
    if (word == kind.name) {
      fault = VirtualFault{};
      fault.kind = kind.kind;
      known = true;
    }
  }
  if (!known) return "unknown fault kind \"" + word + "\"";
  while (in >> word) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos) return "fault field \"" + word + "\" is not name=value";
    const std::string name = word.substr(0, eq);
    const std::string value = word.substr(eq + 1);
    std::uint64_t number = 0;
    if (name == "opcode") {
      if (value == "any") {
        fault.opcode = -1;
      } else if (ParseNumber(value, 16, 0xFF, number)) {
        fault.opcode = static_cast<int>(number);
      } else {
        return "opcode \"" + value + "\" is not a hexadecimal byte";
      }
    } else if (name == "key" || name == "asc" || name == "ascq") {
      if (!ParseNumber(value, 16, name == "key" ? 0x0F : 0xFF, number)) {
        return name + " \"" + value + "\" is not a hexadecimal " + (name == "key" ? "digit" : "byte");
      }
      (name == "key"   ? fault.key
       : name == "asc" ? fault.asc
                       : fault.ascq) = static_cast<std::uint8_t>(number);
    } else if (name == "lba") {
      if (!ParseNumber(value, 10, 0xFFFFFFFF, number)) return "lba \"" + value + "\" is not a block address";
      fault.lba = static_cast<std::uint32_t>(number);
    } else if (name == "count") {
      if (value == "always") {
        fault.count = -1;
      } else if (ParseNumber(value, 10, 1000000000, number) && number > 0) {
        fault.count = static_cast<int>(number);
      } else {
        return "count \"" + value + "\" is not a positive number or \"always\"";
      }
    } else if (name == "after") {
      if (!ParseNumber(value, 10, 1000000000, number)) return "after \"" + value + "\" is not a number";
      fault.after = static_cast<std::uint32_t>(number);
    } else {
      return "unknown fault field \"" + name + "\"";
    }
  }
  return std::nullopt;
}
