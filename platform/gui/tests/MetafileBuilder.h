#pragma once
// Writes metafile record streams for tests: a placeable Windows metafile
// or an enhanced metafile, record by record, with the sizes and headers
// filled in at the end.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

class WmfBuilder {
 public:
  // Parameters are 16-bit words in the record's own order.
  WmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
    std::vector<uint16_t> w;
    for (int v : words) w.push_back(uint16_t(v));
    return Raw(function, w);
  }
  WmfBuilder& Raw(uint16_t function, const std::vector<uint16_t>& words) {
    Put32(records_, uint32_t(3 + words.size()));
    Put16(records_, function);
    for (uint16_t w : words) Put16(records_, w);
    largest_ = std::max(largest_, uint32_t(3 + words.size()));
    return *this;
  }
  // A record whose size field says `words` whatever follows.
  WmfBuilder& Lying(uint16_t function, uint32_t words) {
    Put32(records_, words);
    Put16(records_, function);
    return *this;
  }
  static std::vector<uint16_t> Color(uint32_t bgr) { return {uint16_t(bgr & 0xFFFF), uint16_t(bgr >> 16)}; }

  WmfBuilder& Pen(int style, int width, uint32_t bgr) {
    return Raw(0x02FA, {uint16_t(style), uint16_t(width), 0, uint16_t(bgr & 0xFFFF), uint16_t(bgr >> 16)});
  }
  WmfBuilder& Brush(int style, uint32_t bgr, int hatch = 0) {
    return Raw(0x02FC, {uint16_t(style), uint16_t(bgr & 0xFFFF), uint16_t(bgr >> 16), uint16_t(hatch)});
  }
  WmfBuilder& Select(int index) { return Record(0x012D, {index}); }
  WmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
  WmfBuilder& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
  WmfBuilder& Polygon(std::initializer_list<std::pair<int, int>> points) {
    std::vector<uint16_t> w{uint16_t(points.size())};
    for (auto [x, y] : points) {
      w.push_back(uint16_t(x));
      w.push_back(uint16_t(y));
    }
    return Raw(0x0324, w);
  }
  WmfBuilder& WindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
  WmfBuilder& WindowExt(int x, int y) { return Record(0x020C, {y, x}); }

  // The file: placeable header with the box and units per inch (none when
  // `placeable` is false), the metafile header, the records, the end record.
  QByteArray File(int left, int top, int right, int bottom, int inch, int objects = 8, bool placeable = true) const {
    std::vector<uint8_t> out;
    if (placeable) {
      Put32(out, 0x9AC6CDD7);
      Put16(out, 0);
      for (int v : {left, top, right, bottom}) Put16(out, uint16_t(v));
      Put16(out, uint16_t(inch));
      Put32(out, 0);
      uint16_t sum = 0;
      for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(out[i] | (out[i + 1] << 8));
      Put16(out, sum);
    }
    std::vector<uint8_t> body = records_;
    Put32(body, 3);  // end record
    Put16(body, 0);
    Put16(out, 1);
    Put16(out, 9);
    Put16(out, 0x0300);
    Put32(out, uint32_t(9 + body.size() / 2));
    Put16(out, uint16_t(objects));
    Put32(out, largest_);
    Put16(out, 0);
    out.insert(out.end(), body.begin(), body.end());
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
  }

  static void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  }
  static void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, uint16_t(x));
    Put16(v, uint16_t(x >> 16));
  }

 private:
  std::vector<uint8_t> records_;
  uint32_t largest_ = 3;
};

class EmfBuilder {
 public:
  // Parameters are 32-bit values in the record's own order.
  EmfBuilder& Record(uint32_t type, std::initializer_list<int64_t> values) {
    std::vector<uint8_t> params;
    for (int64_t v : values) WmfBuilder::Put32(params, uint32_t(v));
    return Raw(type, params);
  }
  EmfBuilder& Raw(uint32_t type, const std::vector<uint8_t>& params) {
    WmfBuilder::Put32(records_, type);
    WmfBuilder::Put32(records_, uint32_t(8 + params.size()));
    records_.insert(records_.end(), params.begin(), params.end());
    ++count_;
    return *this;
  }
  EmfBuilder& Pen(int slot, int style, int width, uint32_t bgr) { return Record(38, {slot, style, width, 0, bgr}); }
  EmfBuilder& Brush(int slot, int style, uint32_t bgr, int hatch = 0) { return Record(39, {slot, style, bgr, hatch}); }
  EmfBuilder& Select(int64_t slot) { return Record(37, {slot}); }
  EmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
  EmfBuilder& Ellipse(int l, int t, int r, int b) { return Record(42, {l, t, r, b}); }
  EmfBuilder& Polygon(std::initializer_list<std::pair<int, int>> points, bool small = false) {
    std::vector<uint8_t> p;
    for (int i = 0; i < 4; ++i) WmfBuilder::Put32(p, 0);  // bounds
    WmfBuilder::Put32(p, uint32_t(points.size()));
    for (auto [x, y] : points) {
      if (small) {
        WmfBuilder::Put16(p, uint16_t(x));
        WmfBuilder::Put16(p, uint16_t(y));
      } else {
        WmfBuilder::Put32(p, uint32_t(x));
        WmfBuilder::Put32(p, uint32_t(y));
      }
    }
    return Raw(small ? 86 : 3, p);
  }
  EmfBuilder& Transform(float m11, float m12, float m21, float m22, float dx, float dy) {
    std::vector<uint8_t> p;
    for (float f : {m11, m12, m21, m22, dx, dy}) {
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      WmfBuilder::Put32(p, bits);
    }
    return Raw(35, p);
  }

  // The file: a header whose frame is `frame` (hundredths of a millimetre)
  // on a reference device of `devicePx` pixels over `deviceMm` millimetres.
  QByteArray File(int left, int top, int right, int bottom, int handles = 8, int devicePx = 1000,
                  int deviceMm = 264) const {
    std::vector<uint8_t> head;
    WmfBuilder::Put32(head, 1);
    WmfBuilder::Put32(head, 88);
    for (int i = 0; i < 4; ++i) WmfBuilder::Put32(head, 0);  // bounds
    for (int v : {left, top, right, bottom}) WmfBuilder::Put32(head, uint32_t(v));
    WmfBuilder::Put32(head, 0x464D4520);
    WmfBuilder::Put32(head, 0x10000);
    WmfBuilder::Put32(head, uint32_t(88 + records_.size() + 20));
    WmfBuilder::Put32(head, uint32_t(count_ + 2));
    WmfBuilder::Put16(head, uint16_t(handles));
    WmfBuilder::Put16(head, 0);
    WmfBuilder::Put32(head, 0);
    WmfBuilder::Put32(head, 0);
    WmfBuilder::Put32(head, 0);
    for (int v : {devicePx, devicePx, deviceMm, deviceMm}) WmfBuilder::Put32(head, uint32_t(v));
    std::vector<uint8_t> out = head;
    out.insert(out.end(), records_.begin(), records_.end());
    for (uint32_t v : {14u, 20u, 0u, 0u, 20u}) WmfBuilder::Put32(out, v);  // end of file
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
  }

 private:
  std::vector<uint8_t> records_;
  int count_ = 0;
};
