// Skin files come from the Skins folder and may be damaged or hostile: any
// bytes must load or be refused with an exception, never crash, hang or ask
// for more memory than the size limit; a skin that loads must save and load
// back to the same content. The first byte picks the format.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"
#include "skin/se_skinsource.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

std::unique_ptr<TSeSkinFilter> Filter(int kind) {
  switch (kind) {
    case 0:
      return std::make_unique<TSeSkinFilterUncompressed>();
    case 1:
      return std::make_unique<TSeSkinFilterCompressed>();
    default:
      return std::make_unique<TSeSkinFilterMaxCompression>();
  }
}

std::string Content(TSeSkinSource& s) {
  std::string out =
      s.SkinName + "|" + s.SkinVersion + "|" + s.Author + "|" + s.AuthorEMail + "|" + s.AuthorURL;
  for (int i = 0; i < s.Bitmaps().Count(); ++i) {
    TSeBitmap* b = s.Bitmaps().GetBitmap(i);
    out += "\n" + b->Name() + std::to_string(b->Width()) + "x" + std::to_string(b->Height());
    if (!b->Empty())
      out.append(reinterpret_cast<const char*>(b->Bits()), std::size_t(b->Width()) * b->Height() * 4);
  }
  for (int i = 0; i < s.Count(); ++i)
    out += "\n" + se::ComponentImageToText(SkinObjectImage(*s.GetObject(i)));
  return out;
}

bool Load(TSeSkinSource& source, int kind, const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, std::int64_t(size));
  stream.SetPosition(0);
  auto filter = Filter(kind);
  filter->Source = &source;
  try {
    filter->Load(stream);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  RegisterSkinFilters();
  const int kind = data[0] % 3;
  TSeSkinSource first;
  if (!Load(first, kind, data + 1, size - 1)) {
    Check(first.Count() == 0 && first.Bitmaps().Count() == 0);  // a failed load leaves nothing behind
    return 0;
  }
  for (int i = 0; i < first.Count(); ++i) Check(CloneSkinObject(*first.GetObject(i)) != nullptr);
  TMemoryStream saved;
  auto filter = Filter(kind);
  filter->Source = &first;
  filter->Save(saved);
  TSeSkinSource second;
  Check(Load(second, kind, saved.Memory(), std::size_t(saved.Size())));
  Check(Content(second) == Content(first));
  return 0;
}
