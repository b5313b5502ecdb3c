// LZW decoding and encoding of GIF image data.

#include "pictures/GifLzw.h"

#include <cstring>
#include <memory>
#include <vector>

#include "pictures/GifCommon.h"

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kStackSize = 8192;

// The rows of a frame in the order the data holds them: top to bottom, or
// the four interlace passes (passes without a row in the frame are skipped).
class RowWalk {
 public:
  RowWalk(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}
  // The next row, or -1 after the last one.
  int Next() {
    if (!interlaced_) return row_ < height_ ? row_++ : -1;
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    while (pass_ < 4) {
      if (first_) {
        row_ = kStart[pass_];
        first_ = false;
      } else {
        row_ += kStep[pass_];
      }
      if (row_ < height_) return row_;
      ++pass_;
      first_ = true;
    }
    return -1;
  }

 private:
  int height_;
  bool interlaced_;
  int row_ = 0;
  int pass_ = 0;
  bool first_ = true;
};

class LzwDecoder {
 public:
  LzwDecoder(TStream& stream, const TGIFWarningSink& warn) : stream_(stream), warn_(warn) {}

  // False when the stream holds no code size byte.
  bool Start() {
    std::uint8_t size = 0;
    if (stream_.Read(&size, 1) != 1) return false;
    // Pixels are bytes and the table holds 12-bit codes: a wider start
    // cannot be valid GIF data.
    if (size < 1 || size > 8) Error("Invalid LZW code size");
    initial_size_ = size;
    clear_code_ = 1 << size;
    end_code_ = clear_code_ + 1;
    code_size_ = size + 1;
    max_code_ = 2 * clear_code_;
    next_free_ = clear_code_ + 2;
    return true;
  }

  int NextPixel() {
    if (sp_ > 0) return stack_[--sp_];
    return NextLzwCode();
  }

 private:
  void Warn(const char* message) {
    if (warn_) warn_(message);
  }

  // Codes are packed from the least significant bit and may span any number
  // of sub-blocks (a sub-block can be a single byte).
  int ReadLzwCode(int n) {
    if (first_) {
      first_ = false;
      return clear_code_;
    }
    while (bits_ < n) {
      if (block_pos_ == block_len_) {
        if (done_) {
          if (bits_ == 0) Warn("Decoder bit buffer under-run");
          return -1;
        }
        std::uint8_t size = 0;
        if (stream_.Read(&size, 1) != 1) {
          done_ = true;
          continue;
        }
        if (size == 0) {
          zero_block_ = true;
          done_ = true;
          continue;
        }
        const std::int64_t left = stream_.Size() - stream_.Position();
        if (left < size) {
          Warn("Premature end of data");
          size = std::uint8_t(left < 0 ? 0 : left);
          done_ = true;
        }
        ReadCheck(stream_, block_, size);
        block_len_ = size;
        block_pos_ = 0;
        continue;
      }
      accumulator_ |= std::uint32_t(block_[block_pos_++]) << bits_;
      bits_ += 8;
    }
    const int code = int(accumulator_ & ((1u << n) - 1));
    accumulator_ >>= n;
    bits_ -= n;
    return code;
  }

  void SkipRest() {
    for (;;) {
      std::uint8_t size = 0;
      if (stream_.Read(&size, 1) != 1 || size == 0) return;
      const std::int64_t left = stream_.Size() - stream_.Position();
      if (left < size) {
        stream_.Seek(0, soEnd);
        return;
      }
      stream_.Seek(size, soCurrent);
    }
  }

  void Push(int value) {
    if (sp_ >= kStackSize) Error("Circular decoder table entry");
    stack_[sp_++] = value;
  }

  int NextLzwCode() {
    int code = ReadLzwCode(code_size_);
    if (code < 0) return code;
    if (code == clear_code_) {
      for (int i = 0; i < clear_code_; ++i) {
        prefix_[i] = 0;
        suffix_[i] = i;
      }
      for (int i = clear_code_; i < kMaxCodes; ++i) prefix_[i] = suffix_[i] = 0;
      code_size_ = initial_size_ + 1;
      max_code_ = 2 * clear_code_;
      next_free_ = clear_code_ + 2;
      sp_ = 0;
      do {
        code = ReadLzwCode(code_size_);
      } while (code == clear_code_);
      if (code < 0) return code;
      if (code == end_code_) return EndOfData();
      // The first code after a clear must be a pixel: anything else has no
      // string yet.
      if (code > end_code_) Error("Invalid LZW code");
      first_code_ = old_code_ = code;
      return code;
    }
    if (code == end_code_) return EndOfData();
    const int incoming = code;
    if (code >= next_free_) {
      Push(first_code_);
      code = old_code_;
    }
    // A string is never longer than the table has codes; a longer chain is a
    // cycle made by a hostile stream.
    int length = 0;
    while (code >= clear_code_) {
      if (++length > kMaxCodes || prefix_[code] == code) Error("Circular decoder table entry");
      Push(suffix_[code]);
      code = prefix_[code];
    }
    first_code_ = suffix_[code];
    Push(first_code_);
    if (next_free_ < kMaxCodes) {
      prefix_[next_free_] = old_code_;
      suffix_[next_free_] = first_code_;
      ++next_free_;
      if (next_free_ >= max_code_ && max_code_ < kMaxCodes) {
        max_code_ *= 2;
        ++code_size_;
      }
    }
    old_code_ = incoming;
    return stack_[--sp_];
  }

  int EndOfData() {
    if (!zero_block_) {
      SkipRest();
      zero_block_ = true;
      done_ = true;
    }
    return -2;
  }

 public:
  // Consumes the end code and what is left up to the terminator.
  void Finish() {
    if (!zero_block_) {
      if (!done_) {
        sp_ = 0;
        if (NextPixel() != -2 && !zero_block_) SkipRest();
      }
    }
  }

 private:
  TStream& stream_;
  const TGIFWarningSink& warn_;
  int initial_size_ = 0;
  int clear_code_ = 0, end_code_ = 0;
  int code_size_ = 0, max_code_ = 0, next_free_ = 0;
  int first_code_ = 0, old_code_ = 0;
  int prefix_[kMaxCodes] = {};
  int suffix_[kMaxCodes] = {};
  int stack_[kStackSize] = {};
  int sp_ = 0;
  std::uint8_t block_[255] = {};
  int block_len_ = 0, block_pos_ = 0;
  std::uint32_t accumulator_ = 0;
  int bits_ = 0;
  bool first_ = true, done_ = false, zero_block_ = false;
};

}  // namespace

void DecodeLzw(TStream& stream, std::uint8_t* pixels, int width, int height, bool interlaced,
               const TGIFWarningSink& warn) {
  auto decoder = std::make_unique<LzwDecoder>(stream, warn);
  if (!decoder->Start()) return;
  RowWalk rows(height, interlaced);
  bool ended = false;
  for (int row = rows.Next(); row >= 0 && !ended; row = rows.Next()) {
    std::uint8_t* p = pixels + size_t(row) * size_t(width);
    for (int x = 0; x < width; ++x) {
      const int v = decoder->NextPixel();
      if (v < 0) {
        ended = true;
        break;
      }
      p[x] = std::uint8_t(v);
    }
  }
  decoder->Finish();
}

// ---------------------------------------------------------------------------

void THashTable::Clear() { std::memset(table_, 0xFF, sizeof table_); }

void THashTable::Insert(std::uint32_t key, int code) {
  int h = HashKey(key);
  for (int probes = 0; probes < kSize; ++probes) {
    if ((table_[h] >> 12) == 0xFFFFF) {
      table_[h] = (key << 12) | std::uint32_t(code);
      return;
    }
    h = NextHash(h);
  }
  Error("LZW hash table is full");
}

int THashTable::Lookup(std::uint32_t key) const {
  int h = HashKey(key);
  for (int probes = 0; probes < kSize; ++probes) {
    const std::uint32_t entry = table_[h];
    if (entry == 0xFFFFFFFFu) return -1;
    if ((entry >> 12) == key) return int(entry & 0xFFF);
    h = NextHash(h);
  }
  return -1;
}

namespace {

// Packs output codes into the data sub-blocks of the target stream: a
// 256-byte buffer whose first byte is the block size.
class TGIFWriter {
 public:
  explicit TGIFWriter(TStream& target) : target_(target) {}
  ~TGIFWriter() {
    // Destructors must not throw; Flush is called on the normal path.
  }
  void Put(std::uint8_t b) {
    buffer_[count_++] = b;
    if (count_ == 256) {
      buffer_[0] = 255;
      target_.WriteBuffer(buffer_, 256);
      count_ = 1;
    }
  }
  void Flush() {
    if (count_ > 1) {
      buffer_[0] = std::uint8_t(count_ - 1);
      target_.WriteBuffer(buffer_, count_);
      count_ = 1;
    }
  }

 private:
  TStream& target_;
  std::uint8_t buffer_[256] = {};
  int count_ = 1;
};

class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;

  void Compress(TStream& stream, int colorBits, int width, int height, bool interlaced,
                const std::uint8_t* pixels, int maxColor) {
    initial_code_size_ = colorBits < 2 ? 2 : colorBits;
    WriteByte(stream, std::uint8_t(initial_code_size_));
    init_bits_ = bits_ = initial_code_size_ + 1;
    max_code_ = MaxCodeOf(bits_);
    clear_code_ = 1 << initial_code_size_;
    eof_code_ = clear_code_ + 1;
    first_free_ = clear_code_ + 2;
    width_ = width;
    height_ = height;
    interlaced_ = interlaced;
    pixels_ = pixels;
    max_color_ = maxColor;
    row_ = 0;
    pass_ = 0;
    data_ = pixels;
    left_ = interlaced ? width : width * height;
    TGIFWriter writer(stream);
    writer_ = &writer;
    if (pixels && width >= 1 && height >= 1) DoCompress();
    Output(eof_code_);
    writer.Flush();
    writer_ = nullptr;
    WriteByte(stream, 0);
  }

 protected:
  static int MaxCodeOf(int bits) { return (1 << bits) - 1; }

  virtual void Output(int code) {
    accumulator_ |= std::uint32_t(code) << accumulated_;
    accumulated_ += bits_;
    while (accumulated_ >= 8) {
      writer_->Put(std::uint8_t(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      accumulated_ -= 8;
    }
    if (code == eof_code_) {
      while (accumulated_ > 0) {
        writer_->Put(std::uint8_t(accumulator_ & 0xFF));
        accumulator_ >>= 8;
        accumulated_ = accumulated_ > 8 ? accumulated_ - 8 : 0;
      }
      accumulator_ = 0;
    }
  }
  virtual void Clear() {
    just_cleared_ = true;
    Output(clear_code_);
  }
  virtual void DoCompress() = 0;

  // The pixel under the walk, checked against the table.
  int Pixel() const {
    const int p = *data_;
    if (p >= max_color_) Error("Color not in color table");
    return p;
  }
  // Steps to the next pixel; false after the last one.
  bool NextPixelPos() {
    if (--left_ > 0) {
      ++data_;
      return true;
    }
    if (!interlaced_) return false;
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_) {
      if (++pass_ >= 4) return false;
      row_ = kStart[pass_];
    }
    data_ = pixels_ + size_t(row_) * size_t(width_);
    left_ = width_;
    return true;
  }

  int initial_code_size_ = 0;
  int init_bits_ = 0, bits_ = 0, max_code_ = 0;
  int clear_code_ = 0, eof_code_ = 0, first_free_ = 0;
  bool just_cleared_ = false;
  int max_color_ = 0;

 private:
  TGIFWriter* writer_ = nullptr;
  std::uint32_t accumulator_ = 0;
  int accumulated_ = 0;
  int width_ = 0, height_ = 0;
  bool interlaced_ = false;
  const std::uint8_t* pixels_ = nullptr;
  const std::uint8_t* data_ = nullptr;
  int left_ = 0, row_ = 0, pass_ = 0;
};

class TLZWEncoder final : public TGIFEncoder {
 protected:
  void Output(int code) override {
    TGIFEncoder::Output(code);
    if (free_entry_ > max_code_ || just_cleared_) {
      if (just_cleared_) {
        bits_ = init_bits_;
        max_code_ = MaxCodeOf(bits_);
        just_cleared_ = false;
      } else {
        ++bits_;
        max_code_ = bits_ == 12 ? 4096 : MaxCodeOf(bits_);
      }
    }
  }
  void Clear() override {
    TGIFEncoder::Clear();
    table_->Clear();
    free_entry_ = clear_code_ + 2;
  }
  void DoCompress() override {
    table_ = std::make_unique<THashTable>();
    Clear();
    int prefix = Pixel();
    while (NextPixelPos()) {
      const int p = Pixel();
      const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(p);
      const int code = table_->Lookup(key);
      if (code >= 0) {
        prefix = code;
        continue;
      }
      Output(prefix);
      prefix = p;
      if (free_entry_ < 4095) {
        table_->Insert(key, free_entry_++);
      } else {
        Clear();
      }
    }
    Output(prefix);
    table_.reset();
  }

 private:
  int free_entry_ = 0;
  std::unique_ptr<THashTable> table_;
};

// Runs coded as LZW strings: after a clear, each code the decoder meets adds
// the previous string plus one pixel to its table, so codes above the end
// code stand for runs one pixel longer than the run code before them.
class TRLEEncoder final : public TGIFEncoder {
 protected:
  void Clear() override {
    next_width_at_ = width_step_init_;
    clear_at_ = clear_at_init_;
    codes_since_clear_ = 0;
    table_run_max_ = 0;
    TGIFEncoder::Clear();
    bits_ = init_bits_;
    max_code_ = MaxCodeOf(bits_);
  }

  void DoCompress() override {
    width_step_init_ = clear_code_ - 1;
    clear_at_init_ = initial_code_size_ <= 3 ? 9 : clear_code_ - 2;
    max_codes_before_clear_ = 4095 - (clear_code_ + 2);
    Clear();
    run_value_ = Pixel();
    int run = 1;
    while (NextPixelPos()) {
      const int p = Pixel();
      if (p != run_value_) {
        FlushRun(run);
        run_value_ = p;
        run = 1;
      } else {
        ++run;
      }
    }
    FlushRun(run);
  }

 private:
  void EmitPlain(int code) {
    just_cleared_ = false;
    Output(code);
    ++codes_since_clear_;
    if (codes_since_clear_ == next_width_at_) {
      ++bits_;
      max_code_ = MaxCodeOf(bits_);
      next_width_at_ += 1 << (bits_ - 1);
    }
    if (codes_since_clear_ == clear_at_) Clear();
  }
  void OpenClearLimit() { clear_at_ = max_codes_before_clear_; }
  void RestoreClearLimit() {
    clear_at_ = clear_at_init_;
    if (codes_since_clear_ >= clear_at_) Clear();
  }

  void FlushRun(int length) {
    if (length == 1) {
      EmitPlain(run_value_);
    } else if (just_cleared_) {
      FlushRunFromClear(length);
    } else if (table_run_max_ < 2 || table_run_value_ != run_value_) {
      FlushRunClearOrRepeat(length);
    } else {
      FlushRunWithTable(length);
    }
  }

  void FlushRunFromClear(int length) {
    OpenClearLimit();
    table_run_value_ = run_value_;
    int n = 1;
    while (length > 0) {
      if (n == 1) {
        table_run_max_ = 1;
        EmitPlain(run_value_);
        --length;
      } else if (length >= n) {
        table_run_max_ = n;
        EmitPlain(first_free_ + n - 2);
        length -= n;
      } else if (length == 1) {
        ++table_run_max_;
        EmitPlain(run_value_);
        break;
      } else {
        ++table_run_max_;
        EmitPlain(first_free_ + length - 2);
        break;
      }
      n = codes_since_clear_ == 0 ? 1 : n + 1;
    }
    RestoreClearLimit();
  }

  void FlushRunClearOrRepeat(int length) {
    if (1 + TriangleCost(length, max_codes_before_clear_) < length) {
      Clear();
      FlushRunFromClear(length);
      return;
    }
    for (int i = 0; i < length; ++i) EmitPlain(run_value_);
  }

  void FlushRunWithTable(int length) {
    int repeats = length / table_run_max_;
    int left = length % table_run_max_;
    int extra = left != 0 ? 1 : 0;
    if (codes_since_clear_ + repeats + extra > max_codes_before_clear_) {
      repeats = max_codes_before_clear_ - codes_since_clear_;
      left = length - repeats * table_run_max_;
      extra = 1 + TriangleCost(left, max_codes_before_clear_);
    }
    if (1 + TriangleCost(length, max_codes_before_clear_) < repeats + extra) {
      Clear();
      FlushRunFromClear(length);
      return;
    }
    OpenClearLimit();
    for (int i = 0; i < repeats; ++i) EmitPlain(first_free_ + table_run_max_ - 2);
    if (left > 0) {
      if (just_cleared_) {
        FlushRunFromClear(left);
      } else if (left == 1) {
        EmitPlain(run_value_);
      } else {
        EmitPlain(first_free_ + left - 2);
      }
    }
    RestoreClearLimit();
  }

  static int IntSqrt(int x) {
    if (x < 2) return x;
    int r = 1;
    for (int v = x; v > 0; v /= 4) r *= 2;
    for (;;) {
      const int v = (x / r + r) / 2;
      if (v == r || v == r + 1) return r;
      r = v;
    }
  }

  static int TriangleCost(int count, int codes) {
    const long long per = static_cast<long long>(codes) * (codes + 1) / 2;
    long long c = count;
    int cost = 0;
    while (c >= per) {
      cost += codes;
      c -= per;
    }
    if (c > 0) {
      long long n = IntSqrt(int(c));
      while (n * (n + 1) >= 2 * c) --n;
      while (n * (n + 1) < 2 * c) ++n;
      cost += int(n);
    }
    return cost;
  }

  int max_codes_before_clear_ = 0, width_step_init_ = 0, clear_at_init_ = 0;
  int run_value_ = 0, table_run_max_ = 0, table_run_value_ = 0;
  int codes_since_clear_ = 0, clear_at_ = 0, next_width_at_ = 0;
};

}  // namespace

void EncodeLzw(TStream& stream, TGIFEncoderKind kind, int colorBits, int width, int height, bool interlaced,
               const std::uint8_t* pixels, int maxColor) {
  std::unique_ptr<TGIFEncoder> encoder;
  if (kind == ekRunLength)
    encoder = std::make_unique<TRLEEncoder>();
  else
    encoder = std::make_unique<TLZWEncoder>();
  encoder->Compress(stream, colorBits, width, height, interlaced, pixels, maxColor);
}
