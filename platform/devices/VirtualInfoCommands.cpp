// The virtual recorder's answers about itself and its disc: INQUIRY, GET
// CONFIGURATION, disc and track information, TOC/PMA/ATIP, capacities,
// mode pages, performance and disc structures.

#include <algorithm>
#include <cstring>

#include "platform/devices/VirtualCommands.h"

namespace vrec {

namespace {

constexpr SenseError kInvalidField{0x05, 0x24, 0x00};
constexpr SenseError kInvalidParameter{0x05, 0x26, 0x00};
constexpr SenseError kParameterListLength{0x05, 0x1A, 0x00};
constexpr SenseError kSavingNotSupported{0x05, 0x39, 0x00};
constexpr SenseError kLbaOutOfRange{0x05, 0x21, 0x00};
constexpr SenseError kIncompatibleFormat{0x05, 0x30, 0x02};

void PutText(std::vector<std::uint8_t>& out, std::size_t offset, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out[offset + i] = i < text.size() ? text[i] : ' ';
}

// ---------------------------------------------------------------- INQUIRY

}  // namespace

ScsiResult Inquiry(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t* cdb = command.cdb.data();
  const std::uint32_t allocation = Get16(cdb + 3);
  if ((cdb[1] & 0x01) != 0) {
    std::vector<std::uint8_t> page;
    switch (cdb[2]) {
      case 0x00:
        page = {0x05, 0x00, 0x00, 2, 0x00, 0x80};
        break;
      case 0x80:
        page.assign(4 + disc.serial.size(), 0);
        page[0] = 0x05;
        page[1] = 0x80;
        page[3] = static_cast<std::uint8_t>(disc.serial.size());
        std::copy(disc.serial.begin(), disc.serial.end(), page.begin() + 4);
        break;
      default:
        return Sense(kInvalidField);
    }
    return DataIn(command, page, allocation);
  }
  if (cdb[2] != 0) return Sense(kInvalidField);
  std::vector<std::uint8_t> answer(96, 0);
  answer[0] = 0x05;  // CD/DVD device
  answer[1] = 0x80;  // removable
  answer[2] = 0x05;  // SPC-3
  answer[3] = 0x02;  // response data format
  answer[4] = 96 - 5;
  PutText(answer, 8, disc.vendor, 8);
  PutText(answer, 16, disc.product, 16);
  PutText(answer, 32, disc.revision, 4);
  Put16(&answer[58], 0x00A0);  // MMC-3
  Put16(&answer[60], 0x0300);  // SPC-3
  return DataIn(command, answer, allocation);
}

// ------------------------------------------------------- GET CONFIGURATION

namespace {

struct Feature {
  std::uint16_t code;
  std::uint8_t version;
  bool current;
  std::vector<std::uint8_t> data;  // additional data, a multiple of 4 bytes
};

bool IsDashWritable(VirtualMedium m) {
  return m == VirtualMedium::DvdR || m == VirtualMedium::DvdRwSequential;
}

std::vector<Feature> Features(const VirtualDisc& disc) {
  const bool present = disc.HasMedium();
  const VirtualMedium m = present ? disc.medium : VirtualMedium::None;
  const bool cd = present && disc.IsCd();
  const bool dvd = present && !disc.IsCd();
  const bool cd_writable = m == VirtualMedium::CdR || m == VirtualMedium::CdRw;
  const bool readable = present && !disc.IsBlank();
  std::vector<Feature> features;

  std::vector<std::uint8_t> profiles;
  for (std::uint16_t profile : {0x2B, 0x1B, 0x1A, 0x14, 0x13, 0x12, 0x11, 0x10, 0x0A, 0x09, 0x08}) {
    const bool current = present && disc.Spec().profile == profile;
    profiles.insert(profiles.end(),
                    {static_cast<std::uint8_t>(profile >> 8), static_cast<std::uint8_t>(profile),
                     static_cast<std::uint8_t>(current ? 1 : 0), 0});
  }
  features.push_back({0x0000, 0, true, profiles});
  features.push_back({0x0001, 2, true, {0, 0, 0, 2, 0x03, 0, 0, 0}});  // ATAPI; DBE, INQ2
  features.push_back({0x0002, 1, true, {0x02, 0, 0, 0}});              // OCEvent
  features.push_back({0x0003, 0, true, {0x29, 0, 0, 0}});              // tray, eject, lock
  features.push_back(
      {0x0010, 0, readable, {0, 0, 0x08, 0, 0, static_cast<std::uint8_t>(cd ? 1 : 16), 0x01, 0}});
  features.push_back({0x001D, 0, cd, {}});
  features.push_back({0x001E, 2, cd, {0x00, 0, 0, 0}});
  features.push_back({0x001F, 1, dvd, {0x01, 0, 0x01, 0}});
  if (m == VirtualMedium::DvdRam) {
    std::vector<std::uint8_t> data(12, 0);
    Put32(&data[0], disc.capacity - 1);
    Put32(&data[4], kBlockSize);
    Put16(&data[8], 16);
    data[10] = 0x01;
    features.push_back({0x0020, 1, true, data});
  } else {
    std::vector<std::uint8_t> data(12, 0);
    Put32(&data[4], kBlockSize);
    Put16(&data[8], 16);
    features.push_back({0x0020, 1, false, data});
  }
  const bool incremental = cd_writable || IsDashWritable(m);
  features.push_back(
      {0x0021, 1, incremental, {0x05, 0x00, 0x01, 1, static_cast<std::uint8_t>(cd ? 7 : 16), 0, 0, 0}});
  const bool formattable = m == VirtualMedium::DvdPlusRw || m == VirtualMedium::DvdRwSequential ||
                           m == VirtualMedium::DvdRwRestricted || m == VirtualMedium::DvdRam;
  features.push_back({0x0023, 0, formattable, {}});
  features.push_back({0x0024, 0, m == VirtualMedium::DvdRam, {0, 0, 0, 0}});
  features.push_back({0x0026, 0, m == VirtualMedium::DvdRwRestricted, {}});
  features.push_back({0x002A, 1, m == VirtualMedium::DvdPlusRw, {0x01, 0, 0, 0}});
  features.push_back({0x002B, 0, m == VirtualMedium::DvdPlusR, {0x01, 0, 0, 0}});
  features.push_back({0x002C, 0, m == VirtualMedium::DvdRwRestricted, {0x0B, 0, 0, 0}});
  features.push_back({0x002D, 2, cd_writable, {0x46, 0, 0x05, 0x00}});  // BUF, test write, CD-RW
  // Session at once with test write on CD-R and CD-RW, no raw writing; cue
  // sheets up to 4 KiB.
  features.push_back({0x002E, 0, cd_writable, {0x66, 0x00, 0x10, 0x00}});
  features.push_back({0x002F, 1, IsDashWritable(m), {0x46, 0, 0, 0}});  // BUF, test write, DVD-RW
  features.push_back({0x003B, 0, m == VirtualMedium::DvdPlusRDl, {0x01, 0, 0, 0}});
  features.push_back({0x0100, 0, true, {}});
  features.push_back({0x0107, 4, present, {0x0B, 0, 0, 0}});  // SW, WSPD, SCS
  return features;
}

}  // namespace

ScsiResult GetConfiguration(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t rt = command.cdb[1] & 0x03;
  const std::uint16_t start = static_cast<std::uint16_t>(Get16(&command.cdb[2]));
  if (rt == 3) return Sense(kInvalidField);
  std::vector<std::uint8_t> answer(8, 0);
  if (disc.HasMedium()) Put16(&answer[6], disc.Spec().profile);
  for (const Feature& feature : Features(disc)) {
    if (rt == 2 ? feature.code != start : feature.code < start) continue;
    if (rt == 1 && !feature.current) continue;
    const std::size_t at = answer.size();
    answer.resize(at + 4 + feature.data.size(), 0);
    Put16(&answer[at], feature.code);
    // Version, persistent (core features always are), current.
    const bool persistent = feature.code <= 0x0003 || feature.code == 0x0100;
    answer[at + 2] = static_cast<std::uint8_t>((feature.version << 2) | (persistent ? 0x02 : 0) |
                                               (feature.current ? 0x01 : 0));
    answer[at + 3] = static_cast<std::uint8_t>(feature.data.size());
    std::copy(feature.data.begin(), feature.data.end(), answer.begin() + static_cast<long>(at + 4));
  }
  Put32(&answer[0], static_cast<std::uint32_t>(answer.size() - 4));
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

// ----------------------------------------------------- READ DISC INFORMATION

namespace {

// ATIP of our CD-R and CD-RW: lead-in at 97:26:66, last lead-out at 79:59:74.
constexpr std::uint8_t kAtipLeadIn[3] = {97, 26, 66};
constexpr std::uint8_t kAtipLeadOut[3] = {79, 59, 74};

}  // namespace

ScsiResult ReadDiscInformation(VirtualDisc& disc, const ScsiCommand& command) {
  if ((command.cdb[1] & 0x07) != 0) return Sense(kInvalidField);
  std::vector<std::uint8_t> answer(34, 0);
  Put16(&answer[0], 32);
  const std::uint8_t status = disc.DiscStatus();
  answer[2] =
      static_cast<std::uint8_t>((disc.Spec().erasable ? 0x10 : 0) | (disc.LastSessionState() << 2) | status);
  answer[3] = 1;
  const std::uint32_t sessions = disc.SessionCountForDiscInfo();
  const std::uint32_t first = disc.FirstTrackOfLastSession();
  const std::uint32_t last = disc.LastTrackOfLastSession();
  answer[4] = static_cast<std::uint8_t>(sessions);
  answer[5] = static_cast<std::uint8_t>(first);
  answer[6] = static_cast<std::uint8_t>(last);
  answer[9] = static_cast<std::uint8_t>(sessions >> 8);
  answer[10] = static_cast<std::uint8_t>(first >> 8);
  answer[11] = static_cast<std::uint8_t>(last >> 8);
  answer[7] = 0x20;  // unrestricted use
  if (disc.medium == VirtualMedium::DvdPlusRw && disc.formatted) {
    answer[7] |= disc.operation == VirtualOperation::Format ? 0x02 : 0x03;  // background format status
  }
  answer[8] = 0x00;  // CD-DA or CD-ROM, and the value for every other medium
  if (status == 2 || status == 3) {
    std::memset(&answer[16], 0xFF, 8);
  } else if (disc.IsCd()) {
    if (status == 0) {
      std::memcpy(&answer[17], kAtipLeadIn, 3);
    } else {
      // The next session's lead-in comes before its pre-gap and program area.
      PutMsf(&answer[17], std::int64_t{disc.OpenSessionStart()} - 150 - 4500);
    }
    std::memcpy(&answer[21], kAtipLeadOut, 3);
  } else {
    Put32(&answer[16], disc.OpenSessionStart());
    Put32(&answer[20], disc.capacity);
  }
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

// ---------------------------------------------------- READ TRACK INFORMATION

namespace {

struct TrackView {
  std::uint32_t number = 0;
  std::uint32_t session = 0;
  std::uint32_t start = 0;
  std::uint32_t size = 0;
  std::uint32_t free = 0;
  std::uint32_t next_writable = 0;
  bool nwa_valid = false;
  bool lra_valid = false;
  std::uint32_t last_recorded = 0;
  bool reserved = false;
  bool blank = false;
  bool packet = false;
  bool fixed_packet = false;
  std::uint32_t packet_size = 0;
  bool audio = false;
};

std::optional<TrackView> ViewOf(const VirtualDisc& disc, std::uint32_t number) {
  TrackView view;
  view.number = number;
  if (!disc.IsSequential()) {
    if (number != 1) return std::nullopt;
    view.session = 1;
    view.size = disc.capacity;
    if (disc.IsReadOnly()) {
      view.lra_valid = disc.capacity != 0;
      view.last_recorded = disc.capacity == 0 ? 0 : disc.capacity - 1;
      return view;
    }
    view.packet = true;
    if (!disc.formatted) {  // a virgin DVD+RW: one blank track over the whole disc
      view.blank = true;
      view.nwa_valid = true;
      view.free = disc.capacity;
      return view;
    }
    if (disc.medium == VirtualMedium::DvdRwRestricted) {
      view.fixed_packet = true;
      view.packet_size = 16;
      view.free = disc.capacity;
    }
    return view;
  }
  if (const VirtualTrack* track = disc.FindTrack(number)) {
    view.session = track->session;
    view.start = track->start;
    view.audio = track->audio;
    view.packet = !disc.IsCd();
    if (track->closed) {
      view.size = track->Size();  // run-out blocks included
      view.lra_valid = track->recorded != 0;
      view.last_recorded = track->NextWritable() - 1;
      view.packet = false;
      // On DVD+R a closed track keeps the reserved bit: reserved and not
      // blank is a complete (or partly written reserved) track there, while
      // neither bit names the incomplete track being written.
      view.reserved = disc.medium == VirtualMedium::DvdPlusR || disc.medium == VirtualMedium::DvdPlusRDl;
    } else if (track->reserved != 0) {
      view.reserved = true;
      view.blank = track->recorded == 0;
      view.size = track->reserved;
      view.nwa_valid = true;
      view.next_writable = track->NextWritable();
      view.free = track->reserved - track->recorded;
      view.lra_valid = track->recorded != 0;
      view.last_recorded = track->NextWritable() - 1;
    } else {
      view.size = disc.capacity - track->start;
      view.nwa_valid = true;
      view.next_writable = track->NextWritable();
      view.free = disc.capacity - track->NextWritable();
      view.lra_valid = track->recorded != 0;
      view.last_recorded = track->NextWritable() - 1;
    }
    return view;
  }
  auto invisible = disc.InvisibleTrackNumber();
  // The next track's address comes after the pre-gap the write parameters call for.
  auto start = disc.InvisibleNextWritable();
  if (!invisible || *invisible != number || !start) return std::nullopt;
  view.audio = disc.IsCd() && disc.AudioTrackMode();
  view.session = disc.OpenSession();
  view.start = *start;
  view.size = disc.capacity - *start;
  view.free = view.size;
  view.next_writable = *start;
  // Written at once, a session begins with its first track's pre-gap, 150
  // blocks before its data (LBA -150 on a blank disc), and goes on where
  // the host has come to.
  if (disc.SessionAtOnce()) {
    view.start = view.next_writable = *start - kAudioPregap;
    if (disc.cue_next) view.next_writable = static_cast<std::uint32_t>(*disc.cue_next);
  }
  view.nwa_valid = true;
  view.blank = true;
  view.packet = !disc.IsCd();
  return view;
}

}  // namespace

ScsiResult ReadTrackInformation(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t type = command.cdb[1] & 0x03;
  const std::uint32_t value = Get32(&command.cdb[2]);
  std::optional<std::uint32_t> number;
  switch (type) {
    case 0: {  // the track that holds a block
      if (value >= disc.capacity) return Sense(kLbaOutOfRange);
      for (std::uint32_t n = 1; n <= std::max(disc.LastTrackNumber(), 1u) + 1 && !number; ++n) {
        auto view = ViewOf(disc, n);
        if (view && value >= view->start && value < view->start + view->size) number = n;
      }
      break;
    }
    case 1:
      // FFh names the invisible (incomplete) track of any sequential medium,
      // DVD-R and DVD+R as much as CD.
      if (disc.IsSequential() && value == 0xFF) {
        number = disc.InvisibleTrackNumber();
      } else {
        number = value;
      }
      break;
    case 2: {  // the first track of a session
      if (!disc.IsSequential()) {
        if (value == 1) number = 1;
        break;
      }
      for (const VirtualTrack& track : disc.tracks) {
        if (track.session == value) {
          number = track.number;
          break;
        }
      }
      if (!number && value == disc.OpenSession()) number = disc.InvisibleTrackNumber();
      break;
    }
    default:
      return Sense(kInvalidField);
  }
  std::optional<TrackView> view;
  if (number) view = ViewOf(disc, *number);
  if (!view) return Sense(kInvalidField);

  std::vector<std::uint8_t> answer(48, 0);
  Put16(&answer[0], 46);
  answer[2] = static_cast<std::uint8_t>(view->number);
  answer[3] = static_cast<std::uint8_t>(view->session);
  answer[5] = view->audio ? 0x00 : 0x04;  // audio, or data recorded uninterrupted
  answer[6] = static_cast<std::uint8_t>((view->reserved ? 0x80 : 0) | (view->blank ? 0x40 : 0) |
                                        (view->packet ? 0x20 : 0) | (view->fixed_packet ? 0x10 : 0) |
                                        ((view->blank && !view->reserved) || view->audio ? 0x0F : 0x01));
  answer[7] = static_cast<std::uint8_t>((view->lra_valid ? 0x02 : 0) | (view->nwa_valid ? 0x01 : 0));
  Put32(&answer[8], view->start);
  Put32(&answer[12], view->nwa_valid ? view->next_writable : 0);
  Put32(&answer[16], view->free);
  Put32(&answer[20], view->packet_size);
  Put32(&answer[24], view->size);
  Put32(&answer[28], view->lra_valid ? view->last_recorded : 0);
  answer[32] = static_cast<std::uint8_t>(view->number >> 8);
  answer[33] = static_cast<std::uint8_t>(view->session >> 8);
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

// ------------------------------------------------------------- READ TOC

namespace {

struct TocTrack {
  std::uint32_t number;
  std::uint32_t session;
  std::uint32_t start;
  std::uint32_t end;
  bool audio = false;
  // ADR 1 with the track's control nibble: two-channel audio, or data.
  std::uint8_t AdrControl() const { return audio ? 0x10 : 0x14; }
};

// The tracks a TOC lists: on CD those of closed sessions (the others are only
// in the PMA); on DVD every track that holds data.
std::vector<TocTrack> TocTracks(const VirtualDisc& disc) {
  std::vector<TocTrack> out;
  if (!disc.IsSequential()) {
    if (disc.IsReadOnly() || disc.formatted) out.push_back({1, 1, 0, disc.capacity});
    return out;
  }
  for (const VirtualTrack& track : disc.tracks) {
    if (disc.IsCd()) {
      if (track.session > disc.closed_sessions) continue;
    } else if (!track.closed && track.recorded == 0) {
      continue;
    }
    out.push_back({track.number, track.session, track.start,
                   track.closed ? track.End() : track.NextWritable(), track.audio});
  }
  return out;
}

void PutAddress(std::uint8_t* p, std::int64_t lba, bool msf) {
  if (msf) {
    p[0] = 0;
    PutMsf(p + 1, lba);
  } else {
    Put32(p, static_cast<std::uint32_t>(lba));
  }
}

std::vector<std::uint8_t> FullTocEntry(std::uint8_t session, std::uint8_t adr_control, std::uint8_t point,
                                       const std::uint8_t time[3], const std::uint8_t ptime[3]) {
  return {session, adr_control, 0, point, time[0], time[1], time[2], 0, ptime[0], ptime[1], ptime[2]};
}

}  // namespace

ScsiResult ReadToc(VirtualDisc& disc, const ScsiCommand& command) {
  const bool msf = (command.cdb[1] & 0x02) != 0;
  std::uint8_t format = command.cdb[2] & 0x0F;
  // Old drives took the format from the two top bits of the control byte.
  if (format == 0 && (command.cdb[9] & 0xC0) != 0) format = command.cdb[9] >> 6;
  const std::uint8_t number = command.cdb[6];
  const std::uint32_t allocation = Get16(&command.cdb[7]);
  const std::vector<TocTrack> tracks = TocTracks(disc);
  std::vector<std::uint8_t> answer(4, 0);

  switch (format) {
    case 0: {
      if (tracks.empty()) return Sense(kInvalidField);
      if (number > tracks.back().number && number != 0xAA) return Sense(kInvalidField);
      answer[2] = static_cast<std::uint8_t>(tracks.front().number);
      answer[3] = static_cast<std::uint8_t>(tracks.back().number);
      auto add = [&](std::uint8_t track_number, std::uint8_t adr_control, std::uint32_t lba) {
        std::uint8_t entry[8] = {0, adr_control, track_number, 0, 0, 0, 0, 0};
        PutAddress(entry + 4, lba, msf);
        answer.insert(answer.end(), entry, entry + 8);
      };
      for (const TocTrack& track : tracks) {
        if (number != 0xAA && track.number >= number)
          add(static_cast<std::uint8_t>(track.number), track.AdrControl(), track.start);
      }
      add(0xAA, tracks.back().AdrControl(), tracks.back().end);
      break;
    }
    case 1: {
      if (tracks.empty()) return Sense(kInvalidField);
      const std::uint32_t last_session = tracks.back().session;
      const TocTrack* first_of_last = &*std::find_if(
          tracks.begin(), tracks.end(), [&](const TocTrack& t) { return t.session == last_session; });
      answer[2] = 1;
      answer[3] = static_cast<std::uint8_t>(last_session);
      std::uint8_t entry[8] = {0, first_of_last->AdrControl(), static_cast<std::uint8_t>(first_of_last->number),
                               0, 0, 0, 0, 0};
      PutAddress(entry + 4, first_of_last->start, msf);
      answer.insert(answer.end(), entry, entry + 8);
      break;
    }
    case 2: {
      if (!disc.IsCd() || tracks.empty()) return Sense(kInvalidField);
      const std::uint32_t sessions = tracks.back().session;
      answer[2] = 1;
      answer[3] = static_cast<std::uint8_t>(sessions);
      const std::uint8_t zero[3] = {0, 0, 0};
      for (std::uint32_t s = std::max<std::uint32_t>(number, 1); s <= sessions; ++s) {
        std::vector<TocTrack> in;
        for (const TocTrack& t : tracks) {
          if (t.session == s) in.push_back(t);
        }
        if (in.empty()) continue;
        const std::uint8_t session = static_cast<std::uint8_t>(s);
        const std::uint8_t a0[3] = {static_cast<std::uint8_t>(in.front().number), 0x00, 0};
        const std::uint8_t a1[3] = {static_cast<std::uint8_t>(in.back().number), 0, 0};
        std::uint8_t lead_out[3];
        PutMsf(lead_out, in.back().end);
        for (const auto& e :
             {FullTocEntry(session, in.front().AdrControl(), 0xA0, zero, a0),
              FullTocEntry(session, in.back().AdrControl(), 0xA1, zero, a1),
              FullTocEntry(session, in.back().AdrControl(), 0xA2, zero, lead_out)}) {
          answer.insert(answer.end(), e.begin(), e.end());
        }
        for (const TocTrack& t : in) {
          std::uint8_t start[3];
          PutMsf(start, t.start);
          const auto e = FullTocEntry(session, t.AdrControl(), static_cast<std::uint8_t>(t.number), zero, start);
          answer.insert(answer.end(), e.begin(), e.end());
        }
        const bool last = s == sessions;
        if (disc.IsSequential() && (!last || !disc.finalized)) {
          // B0: where the next session's program area starts, and the last
          // possible lead-out; one mode-5 pointer (C0) follows in session 1.
          std::uint8_t next[3];
          PutMsf(next, last ? disc.OpenSessionStart()
                            : std::find_if(tracks.begin(), tracks.end(), [&](const TocTrack& t) {
                                return t.session == s + 1;
                              })->start);
          std::vector<std::uint8_t> b0 = FullTocEntry(session, 0x54, 0xB0, next, kAtipLeadOut);
          b0[7] = s == 1 ? 1 : 0;
          answer.insert(answer.end(), b0.begin(), b0.end());
          if (s == 1) {
            const std::uint8_t c0[3] = {0x00, 0x00, 0x00};
            const auto e = FullTocEntry(session, 0x54, 0xC0, c0, kAtipLeadIn);
            answer.insert(answer.end(), e.begin(), e.end());
          }
        }
      }
      break;
    }
    case 3: {
      if (!disc.IsCd() || !disc.IsSequential()) return Sense(kInvalidField);
      for (const VirtualTrack& track : disc.tracks) {
        if (track.recorded == 0 && !track.closed) continue;
        std::uint8_t stop[3];
        std::uint8_t start[3];
        PutMsf(stop, std::int64_t{track.closed ? track.End() : track.NextWritable()} - 1);
        PutMsf(start, track.start);
        const auto e =
            FullTocEntry(0, track.audio ? 0x10 : 0x14, static_cast<std::uint8_t>(track.number), stop, start);
        answer.insert(answer.end(), e.begin(), e.end());
      }
      break;
    }
    case 4: {
      if (disc.medium != VirtualMedium::CdR && disc.medium != VirtualMedium::CdRw)
        return Sense(kInvalidField);
      answer.assign(28, 0);
      answer[4] = 0x54;  // indicative writing power, reference speed
      answer[5] = 0x00;
      answer[6] = static_cast<std::uint8_t>(0x80 | (disc.medium == VirtualMedium::CdRw ? 0x40 : 0));
      std::memcpy(&answer[8], kAtipLeadIn, 3);
      std::memcpy(&answer[12], kAtipLeadOut, 3);
      break;
    }
    default:
      return Sense(kInvalidField);
  }
  Put16(&answer[0], static_cast<std::uint32_t>(answer.size() - 2));
  return DataIn(command, answer, allocation);
}

// ------------------------------------------------- capacities

ScsiResult ReadFormatCapacities(VirtualDisc& disc, const ScsiCommand& command) {
  std::vector<std::uint8_t> answer(12, 0);
  auto add = [&](std::uint32_t blocks, std::uint8_t type, std::uint32_t parameter) {
    std::uint8_t d[8];
    Put32(d, blocks);
    d[4] = static_cast<std::uint8_t>(type << 2);
    Put24(d + 5, parameter);
    answer.insert(answer.end(), d, d + 8);
  };
  // Current/maximum capacity: descriptor type 1 unformatted or blank, 2 formatted.
  std::uint32_t current = disc.capacity;
  std::uint8_t descriptor = 2;
  if (disc.IsSequential()) {
    descriptor = 1;
  } else if (disc.IsOverwrite() && !disc.formatted) {
    descriptor = 1;
  }
  Put32(&answer[4], current);
  answer[8] = descriptor;
  Put24(&answer[9], kBlockSize);
  switch (disc.medium) {
    case VirtualMedium::DvdPlusRw:
      add(disc.capacity, 0x26, 0);
      break;
    case VirtualMedium::DvdRwSequential:
    case VirtualMedium::DvdRwRestricted:
      add(disc.capacity, 0x00, kBlockSize);
      add(disc.capacity, 0x10, 16);
      if (disc.medium == VirtualMedium::DvdRwRestricted) add(disc.capacity, 0x13, 16);
      add(disc.capacity, 0x15, 16);
      break;
    case VirtualMedium::DvdRam:
      add(disc.capacity, 0x00, kBlockSize);
      break;
    default:
      break;
  }
  answer[3] = static_cast<std::uint8_t>(answer.size() - 4);
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

ScsiResult ReadCapacity(VirtualDisc& disc, const ScsiCommand& command) {
  std::vector<std::uint8_t> answer(8, 0);
  std::uint32_t blocks = 0;
  if (disc.IsReadOnly() || (disc.IsOverwrite() && disc.formatted)) {
    blocks = disc.capacity;
  } else if (disc.IsSequential()) {
    blocks = disc.RecordedEnd();
  }
  // A blank disc answers 0 rather than the block before it.
  Put32(&answer[0], blocks == 0 ? 0 : blocks - 1);
  Put32(&answer[4], kBlockSize);
  return DataIn(command, answer, 8);
}

// ------------------------------------------------------------ mode pages

namespace {

std::vector<std::uint8_t> CapabilitiesPage(const VirtualDisc& disc, std::uint8_t control) {
  // The write speeds are those of the medium (none for a pressed disc), or
  // the drive's CD speeds while the tray is empty.
  const std::vector<std::uint32_t> speeds =
      disc.HasMedium() ? disc.Spec().write_speeds : std::vector<std::uint32_t>{8467, 7056, 5645, 4234};
  std::vector<std::uint8_t> page(32 + 4 * speeds.size(), 0);
  page[0] = 0x2A;
  page[1] = static_cast<std::uint8_t>(page.size() - 2);
  if (control == 1) return page;  // nothing in this page can be changed
  page[2] = 0x3F;                 // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
  page[3] = 0x37;                 // writes CD-R, CD-RW, test write, DVD-R, DVD-RAM
  page[4] = 0xF0;                 // BUF, multi-session, mode 2 form 2 and form 1
  page[5] = 0x03;                 // CD-DA through READ CD, and the stream is accurate
  page[6] = static_cast<std::uint8_t>(0x20 | 0x08 | (disc.prevent_removal ? 0x02 : 0) | 0x01);  // tray, eject
  Put16(&page[8], disc.MaxReadSpeed());
  Put16(&page[12], VirtualDisc::kBufferSize / 1024);
  Put16(&page[14], disc.CurrentReadSpeed());
  Put16(&page[18], disc.MaxWriteSpeed());
  Put16(&page[20], disc.CurrentWriteSpeed());
  Put16(&page[28], disc.CurrentWriteSpeed());
  Put16(&page[30], static_cast<std::uint32_t>(speeds.size()));
  for (std::size_t i = 0; i < speeds.size(); ++i) Put16(&page[32 + 4 * i + 2], speeds[i]);
  return page;
}

std::vector<std::uint8_t> WriteParametersPage(const VirtualDisc& disc, std::uint8_t control) {
  std::vector<std::uint8_t> page(disc.write_page.begin(), disc.write_page.end());
  if (control == 2) {
    VirtualDisc defaults("");
    page.assign(defaults.write_page.begin(), defaults.write_page.end());
  } else if (control == 1) {
    std::fill(page.begin() + 2, page.end(), 0);
    page[2] = 0x7F;                                         // BUFE, LS_V, test write, write type
    page[3] = 0xFF;                                         // multi-session, FP, copy, track mode
    page[4] = 0x0F;                                         // data block type
    page[5] = 0xFF;                                         // link size
    page[7] = 0x3F;                                         // host application code
    page[8] = 0xFF;                                         // session format
    std::fill(page.begin() + 10, page.begin() + 16, 0xFF);  // packet size, audio pause length
  }
  return page;
}

std::vector<std::uint8_t> SimplePage(std::uint8_t code, std::uint8_t length, std::uint8_t control) {
  std::vector<std::uint8_t> page(length + 2u, 0);
  page[0] = code;
  page[1] = length;
  if (code == 0x01 && control != 1) page[3] = 0x20;  // read retry count
  return page;
}

}  // namespace

ScsiResult ModeSense10(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t control = command.cdb[2] >> 6;
  const std::uint8_t code = command.cdb[2] & 0x3F;
  const std::uint8_t subpage = command.cdb[3];
  if (control == 3) return Sense(kSavingNotSupported);
  if (subpage != 0 && !(code == 0x3F && subpage == 0xFF)) return Sense(kInvalidField);
  std::vector<std::uint8_t> answer(8, 0);
  auto append = [&](const std::vector<std::uint8_t>& page) {
    answer.insert(answer.end(), page.begin(), page.end());
  };
  switch (code) {
    case 0x01:
      append(SimplePage(0x01, 0x0A, control));
      break;
    case 0x05:
      append(WriteParametersPage(disc, control));
      break;
    case 0x1A:
      append(SimplePage(0x1A, 0x0A, control));
      break;
    case 0x2A:
      append(CapabilitiesPage(disc, control));
      break;
    case 0x3F:
      append(SimplePage(0x01, 0x0A, control));
      append(WriteParametersPage(disc, control));
      append(SimplePage(0x1A, 0x0A, control));
      append(CapabilitiesPage(disc, control));
      break;
    default:
      return Sense(kInvalidField);
  }
  Put16(&answer[0], static_cast<std::uint32_t>(answer.size() - 2));
  return DataIn(command, answer, Get16(&command.cdb[7]));
}

// The six-byte forms carry the same pages behind a four-byte header (one-
// byte lengths): they are answered through the ten-byte ones.
ScsiResult ModeSense6(VirtualDisc& disc, const ScsiCommand& command) {
  std::vector<std::uint8_t> full(0xFFFF);
  ScsiCommand ten;
  ten.cdb[0] = 0x5A;
  ten.cdb[1] = command.cdb[1];
  ten.cdb[2] = command.cdb[2];
  ten.cdb[3] = command.cdb[3];
  Put16(&ten.cdb[7], static_cast<std::uint32_t>(full.size()));
  ten.cdb_length = 10;
  ten.direction = ScsiDirection::In;
  ten.data = full.data();
  ten.data_length = static_cast<std::uint32_t>(full.size());
  const ScsiResult result = ModeSense10(disc, ten);
  if (!result.ok()) return result;
  const std::uint32_t pages = result.transferred - 8;
  if (pages + 4 > 0xFF + 1) return Sense(kInvalidField);  // too long for a one-byte length
  std::vector<std::uint8_t> answer(4 + pages, 0);
  answer[0] = static_cast<std::uint8_t>(3 + pages);
  answer[1] = full[2];
  answer[2] = full[3];
  std::copy_n(full.begin() + 8, pages, answer.begin() + 4);
  return DataIn(command, answer, command.cdb[4]);
}

ScsiResult ModeSelect6(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint32_t length = command.cdb[4];
  if (length == 0) return ScsiResult{};
  if (length > command.data_length || command.direction != ScsiDirection::Out || length < 4) {
    return Sense(kParameterListLength);
  }
  const std::uint32_t descriptors = command.data[3];
  if (4 + descriptors > length) return Sense(kParameterListLength);
  std::vector<std::uint8_t> list(8 + (length - 4 - descriptors), 0);
  std::copy(command.data + 4 + descriptors, command.data + length, list.begin() + 8);
  ScsiCommand ten;
  ten.cdb[0] = 0x55;
  ten.cdb[1] = command.cdb[1];
  Put16(&ten.cdb[7], static_cast<std::uint32_t>(list.size()));
  ten.cdb_length = 10;
  ten.direction = ScsiDirection::Out;
  ten.data = list.data();
  ten.data_length = static_cast<std::uint32_t>(list.size());
  return ModeSelect10(disc, ten);
}

ScsiResult ModeSelect10(VirtualDisc& disc, const ScsiCommand& command) {
  if ((command.cdb[1] & 0x10) == 0) return Sense(kInvalidField);  // pages must follow the page format
  if ((command.cdb[1] & 0x01) != 0) return Sense(kSavingNotSupported);
  const std::uint32_t length = Get16(&command.cdb[7]);
  if (length == 0) return ScsiResult{};
  if (length > command.data_length || command.direction != ScsiDirection::Out || length < 8) {
    return Sense(kParameterListLength);
  }
  const std::uint8_t* list = command.data;
  std::size_t pos = 8 + Get16(list + 6);  // skip any block descriptors
  if (pos > length) return Sense(kParameterListLength);
  // Check every page before taking any, so a bad list changes nothing.
  std::array<std::uint8_t, 52> page = disc.write_page;
  bool have_page5 = false;
  while (pos + 2 <= length) {
    // The parameters-savable bit is the drive's to report; drives refuse a
    // page that comes back with it set.
    if ((list[pos] & 0x80) != 0) return Sense(kInvalidParameter);
    const std::uint8_t code = list[pos] & 0x3F;
    const std::uint8_t page_length = list[pos + 1];
    if (pos + 2 + page_length > length) return Sense(kParameterListLength);
    const std::uint8_t* p = list + pos;
    switch (code) {
      case 0x05: {
        if (page_length < 0x32 || page_length > 0x36) return Sense(kInvalidParameter);
        const std::uint8_t write_type = p[2] & 0x0F;
        const std::uint8_t block_type = p[4] & 0x0F;
        const bool block_ok = block_type <= 3 || (block_type >= 7 && block_type <= 13);
        if (write_type > 4 || !block_ok || (p[8] != 0x00 && p[8] != 0x10 && p[8] != 0x20)) {
          return Sense(kInvalidParameter);
        }
        // CDs are written track at once, packet or session at once here:
        // refusing raw writing up front lets a program fall back, where a
        // write at LBA -150 would fail halfway.
        if (disc.IsCd() && write_type == 3) return Sense(kInvalidParameter);
        std::copy(p, p + page.size(), page.begin());
        page[0] = 0x05;
        page[1] = 0x32;
        have_page5 = true;
        break;
      }
      case 0x01:
      case 0x1A:
      case 0x2A:
        break;  // accepted; nothing in them changes how this drive works
      default:
        return Sense(kInvalidParameter);
    }
    pos += 2 + page_length;
  }
  if (have_page5) {
    if ((page[2] & 0x10) != (disc.write_page[2] & 0x10)) disc.test_write_next.reset();
    if ((page[2] & 0x0F) != 2) disc.cue_next.reset();  // a cue sheet is for session at once only
    disc.write_page = page;
  }
  return ScsiResult{};
}

// ------------------------------------------------------ GET PERFORMANCE

ScsiResult GetPerformance(VirtualDisc& disc, const ScsiCommand& command) {
  const std::uint8_t type = command.cdb[10];
  const std::uint32_t max_descriptors = Get16(&command.cdb[8]);
  std::vector<std::uint8_t> answer(8, 0);
  const std::uint32_t end = disc.capacity == 0 ? 0 : disc.capacity - 1;
  if (type == 0x00) {
    const bool write = (command.cdb[1] & 0x04) != 0;
    if (write) answer[4] = 0x02;
    // A pressed disc has no write performance to report.
    if (max_descriptors > 0 && (!write || disc.CurrentWriteSpeed() != 0)) {
      std::uint8_t d[16] = {};
      const std::uint32_t speed = write ? disc.CurrentWriteSpeed() : disc.MaxReadSpeed();
      Put32(d + 4, speed);
      Put32(d + 8, end);
      Put32(d + 12, speed);
      answer.insert(answer.end(), d, d + 16);
    }
  } else if (type == 0x03) {
    // One descriptor per speed the drive writes the present medium at: none
    // for a pressed disc (or an empty tray), whose reply is the header alone.
    const std::vector<std::uint32_t>& speeds = disc.Spec().write_speeds;
    for (std::size_t i = 0; i < speeds.size() && i < max_descriptors; ++i) {
      std::uint8_t d[16] = {};
      Put32(d + 4, end);
      Put32(d + 8, disc.MaxReadSpeed());
      Put32(d + 12, speeds[i]);
      answer.insert(answer.end(), d, d + 16);
    }
  } else {
    return Sense(kInvalidField);
  }
  Put32(&answer[0], static_cast<std::uint32_t>(answer.size() - 4));
  return DataIn(command, answer, static_cast<std::uint32_t>(answer.size()));
}

// -------------------------------------------------- READ DISC STRUCTURE

namespace {

// The first bytes of the physical format information, as the control data
// zone (and a +R/+RW disc's ADIP) holds them for each kind of disc.
struct PhysicalFormat {
  std::uint8_t book;       // book type (high nibble) and part version
  std::uint8_t structure;  // layers, track path and layer type (1 embossed, 2 recordable, 4 rewritable)
  std::uint8_t density;    // linear density (high nibble) and track pitch
  std::uint32_t first;     // physical sector number where the data area starts
};

PhysicalFormat PhysicalFormatOf(VirtualMedium medium) {
  switch (medium) {
    case VirtualMedium::DvdRam:
      return {0x11, 0x04, 0x42, 0x031000};  // 0.280-0.291 um/bit, 0.615 um track pitch
    case VirtualMedium::DvdR:
      return {0x25, 0x02, 0x00, 0x030000};
    case VirtualMedium::DvdRwSequential:
    case VirtualMedium::DvdRwRestricted:
      return {0x32, 0x04, 0x00, 0x030000};
    case VirtualMedium::DvdPlusRw:
      return {0x92, 0x04, 0x00, 0x030000};
    case VirtualMedium::DvdPlusR:
      return {0xA1, 0x02, 0x00, 0x030000};
    case VirtualMedium::DvdPlusRDl:
      return {0xE1, 0x32, 0x10, 0x030000};  // two layers, opposite track path, 0.293 um/bit
    default:
      return {0x01, 0x01, 0x00, 0x030000};  // DVD-ROM, one embossed layer, 0.267 um/bit, 0.74 um
  }
}

bool IsPlus(VirtualMedium medium) {
  return medium == VirtualMedium::DvdPlusR || medium == VirtualMedium::DvdPlusRDl ||
         medium == VirtualMedium::DvdPlusRw;
}

// DVD-R and DVD-RW discs carry their maker and media type in the land
// pre-pits of the lead-in, whatever the disc's recording mode.
bool IsDash(VirtualMedium medium) {
  return medium == VirtualMedium::DvdR || medium == VirtualMedium::DvdRwSequential ||
         medium == VirtualMedium::DvdRwRestricted;
}

// Of the zone between two bordered areas of a DVD-R or sequential DVD-RW
// disc (the medium's session gap), the last blocks are the next area's
// border-in; the rest is the border-out that closes the area before it.
constexpr std::uint32_t kBorderInBlocks = 5 * 16;

// The border fields of a DVD-R or sequential DVD-RW disc's physical format
// information: where the last closed area's border-out starts and where
// the next area's border-in will, both 0 while no area is closed. A
// finalized disc has no next area, and its data area ends with its data,
// so that a reader that knows nothing of borders finds its end there.
void PutBorders(std::vector<std::uint8_t>& answer, const VirtualDisc& disc, std::uint32_t first) {
  const std::uint32_t data_end = disc.ClosedSessionsEnd();
  if (disc.closed_sessions == 0 || data_end == 0) return;
  Put32(&answer[36], first + data_end);
  if (disc.finalized) {
    Put32(&answer[12], first + data_end - 1);
  } else {
    Put32(&answer[40], first + disc.OpenSessionStart() - kBorderInBlocks);
  }
}

// The structures the present medium has, with their lengths (header not counted).
std::vector<std::pair<std::uint8_t, std::uint16_t>> DvdStructures(const VirtualDisc& disc) {
  std::vector<std::pair<std::uint8_t, std::uint16_t>> list = {{0x00, 2048}};
  if (IsDash(disc.medium)) list.push_back({0x0E, 64});
  if (!disc.IsReadOnly()) list.push_back({0x10, 2048});
  if (IsPlus(disc.medium)) list.push_back({0x11, 256});
  if (disc.medium == VirtualMedium::DvdPlusRDl) list.push_back({0x20, 8});
  list.push_back({0xFF, 0});  // filled in below: the list itself
  list.back().second = static_cast<std::uint16_t>(4 * list.size());
  return list;
}

}  // namespace

ScsiResult ReadDvdStructure(VirtualDisc& disc, const ScsiCommand& command) {
  if (command.cdb[1] != 0) return Sense(kInvalidField);  // DVD structures only
  if (disc.IsCd()) return Sense(kIncompatibleFormat);
  const std::uint8_t format = command.cdb[7];
  const std::uint32_t allocation = Get16(&command.cdb[8]);
  const PhysicalFormat physical = PhysicalFormatOf(disc.medium);
  std::vector<std::uint8_t> answer;
  // 10h: the same information as the control data zone of a recordable
  // disc holds it.
  if (format == 0x00 || (format == 0x10 && !disc.IsReadOnly())) {
    answer.assign(4 + 2048, 0);
    const bool dual = disc.medium == VirtualMedium::DvdPlusRDl;
    answer[4] = physical.book;
    answer[5] = 0x02;  // 120 mm, read at up to 10.08 Mbit/s
    answer[6] = physical.structure;
    answer[7] = physical.density;
    const std::uint32_t first = physical.first;
    const std::uint32_t size = disc.IsSequential() || disc.formatted || disc.IsReadOnly() ? disc.capacity : 0;
    Put32(&answer[8], first);
    if (dual) {
      // Opposite track path: the second layer's sectors are numbered as the
      // complement of the first layer's at the same radius, and the data
      // area ends where the second layer's half ends.
      const std::uint32_t layer0_end = first + size / 2 - 1;
      Put32(&answer[12], (~layer0_end & 0xFFFFFF) + (size - size / 2) - 1);
      Put32(&answer[16], layer0_end);
    } else {
      Put32(&answer[12], first + (size == 0 ? 0 : size - 1));
    }
    if (IsDash(disc.medium) && disc.IsSequential()) PutBorders(answer, disc, first);
  } else if (format == 0x0E && IsDash(disc.medium)) {
    // Pre-recorded information: five fields of eight bytes, each led by
    // its number, as the land pre-pits of the lead-in hold them.
    answer.assign(4 + 64, 0);
    const bool rewritable = disc.medium != VirtualMedium::DvdR;
    for (std::uint8_t field = 1; field <= 5; ++field) answer[4 + 8 * (field - 1)] = field;
    answer[5] = 0x00;  // application code: general purpose
    // 0.74 um track pitch, 3.49 m/s, 120 mm, 650 nm; organic dye for -R,
    // phase change with low reflectivity for -RW.
    answer[6] = rewritable ? 0xD3 : 0xC5;
    const std::uint32_t last = physical.first + disc.capacity - 1;  // last sector the disc can record
    answer[7] = static_cast<std::uint8_t>(last >> 16);
    answer[8] = static_cast<std::uint8_t>(last >> 8);
    answer[9] = static_cast<std::uint8_t>(last);
    answer[10] = static_cast<std::uint8_t>((physical.book & 0x0F) << 4);  // part version, no extension
    // Fields 3 and 4 hold the twelve characters of the manufacturer ID.
    const std::string id = rewritable ? "BURNERVR-W01" : "BURNERVR-R01";
    PutText(answer, 4 + 17, id.substr(0, 6), 6);
    PutText(answer, 4 + 25, id.substr(6, 6), 6);
  } else if (format == 0x11 && IsPlus(disc.medium)) {
    // ADIP: the book and the disc's maker and media type, as pressed into
    // the groove of a +R or +RW disc.
    answer.assign(4 + 256, 0);
    answer[4] = physical.book;
    answer[5] = 0x0F;  // 120 mm, no maximum read rate given
    answer[6] = physical.structure;
    answer[7] = physical.density;
    PutText(answer, 4 + 19, "BURNERVR", 8);  // disc manufacturer ID
    PutText(answer, 4 + 27, disc.medium == VirtualMedium::DvdPlusRw ? "W01" : "R01", 3);  // media type ID
    answer[4 + 30] = 0x01;                                                                // product revision
  } else if (format == 0x20 && disc.medium == VirtualMedium::DvdPlusRDl) {
    answer.assign(12, 0);
    Put32(&answer[8], disc.capacity / 2);
  } else if (format == 0xFF) {
    // The structures this medium has, each readable and not writable.
    answer.assign(4, 0);
    for (const auto& [code, length] : DvdStructures(disc)) {
      const std::uint8_t d[4] = {code, 0x40, static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length)};
      answer.insert(answer.end(), d, d + 4);
    }
  } else {
    return Sense(kInvalidField);
  }
  Put16(&answer[0], static_cast<std::uint32_t>(answer.size() - 2));
  return DataIn(command, answer, allocation);
}

}  // namespace vrec
