// LZRW1-KH blocks and compressed-stream records come from form files and
// skins: any bytes must decode inside their buffers or be refused with
// ELzrw1KHError / EReadError. Whatever decodes must compress and decode back
// to itself.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "effects/LZRW1KH.h"
#include "effects/QRXBmpStream.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

void RoundTrip(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> block(Lzrw1KhBufferSize(size)), back(size);
  const std::size_t length = Lzrw1KhCompress({data, size}, block);
  Check(length <= size + 1);
  Check(Lzrw1KhDecompress({block.data(), length}, back) == size);
  Check(std::equal(back.begin(), back.end(), data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks an output buffer size, so short outputs are tried too.
  if (size == 0) return 0;
  const std::size_t capacity = data[0] == 0xFF ? kLzrwMaxBlockInput : std::size_t(data[0]) * 64;
  std::vector<std::uint8_t> out(capacity);
  try {
    const std::size_t n = Lzrw1KhDecompress({data + 1, size - 1}, out);
    Check(n <= capacity);
    if (n <= kLzrwMaxBlockInput) RoundTrip(out.data(), n);
  } catch (const ELzrw1KHError&) {
  }
  if (size <= kLzrwMaxBlockInput) RoundTrip(data, size);

  TMemoryStream in, content;
  in.WriteBuffer(data, std::int64_t(size));
  in.SetPosition(0);
  try {
    ReadCompressedStream(in, content, std::int64_t(1) << 22);
    Check(content.Size() <= (std::int64_t(1) << 22));
  } catch (const EReadError&) {
  }
  return 0;
}
