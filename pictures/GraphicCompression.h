#pragma once
// The decoders of the picture readers: run-length schemes of Targa,
// PackBits (TIFF, PSD), PCX, SGI, CUT, PSP and RLA, CCITT fax (modified
// Huffman and one-dimensional T.4) and deflate (PNG, PSP). Each turns a
// packed buffer into an unpacked one and never reads past `packedSize`
// bytes nor writes past the unpacked room it is given, whatever the data
// says; a packet that would cross either end is cut there.

#include <cstdint>
#include <memory>
#include <vector>

class TDecoder {
 public:
  virtual ~TDecoder() = default;
  // `unpackedSize` is bytes for every decoder but Targa's (pixels there).
  // Both pointers come back advanced past the bytes used and written, so a
  // reader can tell data that ran short; the CCITT decoders clear the
  // whole room and leave `dest` where it was.
  virtual void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) = 0;
  virtual void DecodeInit() {}
  virtual void DecodeEnd() {}
  virtual void Encode(const uint8_t* /*source*/, uint8_t* /*dest*/, uint32_t /*count*/,
                      uint32_t& bytesStored) {
    bytesStored = 0;
  }
  virtual void EncodeInit() {}
  virtual void EncodeEnd() {}
};

class TTargaRLEDecoder : public TDecoder {
 public:
  explicit TTargaRLEDecoder(int colorDepth) : color_depth_(colorDepth) {}
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
  // One row of `count` pixels into `dest`, which holds twice the row's
  // bytes plus one header per 128 pixels.
  void Encode(const uint8_t* source, uint8_t* dest, uint32_t count, uint32_t& bytesStored) override;

 private:
  int color_depth_;
};

class TPackbitsRLEDecoder : public TDecoder {
 public:
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
};

class TPCXRLEDecoder : public TDecoder {
 public:
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
};

class TSGIRLEDecoder : public TDecoder {
 public:
  explicit TSGIRLEDecoder(int sampleSize) : sample_size_(sampleSize) {}
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;

 private:
  int sample_size_;
};

class TCUTRLEDecoder : public TDecoder {
 public:
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
};

class TPSPRLEDecoder : public TDecoder {
 public:
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
};

class TRLADecoder : public TDecoder {
 public:
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
};

// CCITT fax: black pixels become 1 bits, rows start on byte boundaries in
// the target, `width` pixels each.
class TCCITTDecoder : public TDecoder {
 public:
  TCCITTDecoder(bool swapBits, int width);
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;

 protected:
  // Modified Huffman: rows also start on a byte boundary in the packed data
  // and end-of-line codes do not end a row.
  virtual bool ModifiedHuffman() const = 0;

 private:
  struct Node {
    int32_t child[2] = {0, 0};
    int32_t value = 0;
  };
  static void AddCode(std::vector<Node>& tree, uint32_t code, int length, int32_t value);
  static void BuildTrees(std::vector<Node>& white, std::vector<Node>& black);

  bool swap_bits_;
  int width_;
  std::vector<Node> white_, black_;
};

class TCCITTFax3Decoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;

 protected:
  bool ModifiedHuffman() const override { return false; }
};

class TCCITTMHDecoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;

 protected:
  bool ModifiedHuffman() const override { return true; }
};

// Inflate over zlib. The stream lives from DecodeInit to DecodeEnd; the
// result of the last inflate call is kept for the reader to judge.
class TLZ77Decoder : public TDecoder {
 public:
  explicit TLZ77Decoder(int flushMode);
  ~TLZ77Decoder() override;
  void Decode(const uint8_t*& source, uint8_t*& dest, int packedSize, int unpackedSize) override;
  // Raise Exception "LZ77 decompression error." when zlib refuses.
  void DecodeInit() override;
  void DecodeEnd() override;
  int ZLibResult() const { return result_; }
  unsigned AvailableInput() const;
  unsigned AvailableOutput() const;

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
  int flush_mode_;
  int result_ = 0;
  bool open_ = false;
};
