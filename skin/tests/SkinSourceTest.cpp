// Skin files: the four formats written and read back, extension matching,
// the program-folder retry, hostile files, hue changes, the default skin
// file and a look at a drawn frame.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "platform/core/AtomicFile.h"
#include "skin/se_objectclasses.h"
#include "skin/se_skinsource.h"
#include "skin/se_stream.h"

namespace fs = std::filesystem;

namespace {

class SkinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinFilters();
    dir_ = fs::temp_directory_path() / ("skinfiles-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

std::string Bytes(const std::string& path) { return ReadWholeFile(path); }

void Write(const std::string& path, const std::string& bytes) { WriteFileAtomically(path, bytes); }

// What a skin holds, as comparable text: strings, every bitmap's pixels and
// every object's image.
std::string Content(TSeSkinSource& s) {
  std::string out =
      s.SkinName + "|" + s.SkinVersion + "|" + s.Author + "|" + s.AuthorEMail + "|" + s.AuthorURL;
  for (int i = 0; i < s.Bitmaps().Count(); ++i) {
    TSeBitmap* b = s.Bitmaps().GetBitmap(i);
    out += "\n" + b->Name() + " " + std::to_string(b->Width()) + "x" + std::to_string(b->Height()) + ":";
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) out += std::to_string(b->GetPixel(x, y)) + ",";
  }
  for (int i = 0; i < s.Count(); ++i)
    out += "\n" + se::ComponentImageToText(SkinObjectImage(*s.GetObject(i)));
  return out;
}

// A small skin whose pixels survive 16-bit colour (each channel a value
// that 5 or 6 bits give back exactly), opaque or the key.
void BuildSmallSkin(TSeSkinSource& s) {
  TSeSkinSource built;
  built.SkinName = "Small";
  built.Author = "Tests";
  auto b = std::make_unique<TSeBitmap>();
  b->SetName("Pic");
  b->SetSize(5, 3);
  const int reds[5] = {0, 66, 132, 198, 255};
  const int greens[3] = {0, 130, 255};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) *b->PixelPtr(x, y) = se::MakeArgb(reds[x], greens[y], 206, 255);
  *b->PixelPtr(4, 2) = KeyColor;
  built.Bitmaps().Add(std::move(b));
  auto form = CreateUnique<TSeBitmapObject>();
  form->SetName("Form");
  form->SetBoundsRect(Rect(0, 0, 40, 30));
  form->Bitmap().Name = "Pic";
  form->Bitmap().Right = 5;
  form->Bitmap().Bottom = 3;
  auto* title = Create<TSeTextObject>(form.get());
  title->SetName("Title");
  title->SetAlign(saMostTop);
  title->SetBoundsRect(Rect(0, 0, 40, 10));
  built.AddObject(std::move(form));
  auto button = CreateUnique<TSeButtonObject>();
  button->SetName("Button");
  built.AddObject(std::move(button));
  for (int i = 0; i < built.Count(); ++i) {
    built.GetObject(i)->SetBitmaps(&built.Bitmaps());
    built.GetObject(i)->AfterLoad();
  }
  s.Swap(built);
}

std::string Inflated(const std::string& file) {
  EXPECT_EQ(file.substr(0, 4), "TBLZ");
  std::string out(1 << 22, '\0');
  uLongf size = out.size();
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(file.data() + 4), file.size() - 4),
            Z_OK);
  out.resize(size);
  return out;
}

}  // namespace

TEST_F(SkinFiles, EveryFormatRoundTrips) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  const std::string content = Content(skin);
  for (const char* ext : {"uskn", "tskn", "xskn", "mskn"}) {
    const std::string path = Path(std::string("small.") + ext);
    skin.SaveToFile(path);
    TSeSkinSource back;
    back.LoadFromFile(path);
    ASSERT_EQ(back.Count(), 2) << ext;
    EXPECT_EQ(Content(back), content) << ext;
    // Written again, the same bytes.
    const std::string again = Path(std::string("again.") + ext);
    back.SaveToFile(again);
    EXPECT_EQ(Bytes(again), Bytes(path)) << ext;
    // Links resolve to the loaded bitmaps.
    auto* form = dynamic_cast<TSeBitmapObject*>(back.GetFormObject());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Bitmap().Bitmap, back.Bitmaps().GetBitmap(0));
  }
  const std::string raw = Bytes(Path("small.uskn"));
  EXPECT_EQ(raw.substr(0, 9), std::string("\x05\0\0\0Small", 9));
  EXPECT_EQ(Inflated(Bytes(Path("small.tskn"))), raw);
  EXPECT_EQ(Inflated(Bytes(Path("small.xskn"))), raw);
  // zlib's header says which level packed it.
  EXPECT_EQ(std::uint8_t(Bytes(Path("small.tskn"))[5]), 0x01);
  EXPECT_EQ(std::uint8_t(Bytes(Path("small.xskn"))[5]), 0xDA);
  // The compact body holds 16-bit BMP files and binary images.
  const std::string compact = Inflated(Bytes(Path("small.mskn")));
  EXPECT_NE(compact.find("BM"), std::string::npos);
  EXPECT_NE(compact.find("TPF0"), std::string::npos);
  EXPECT_EQ(raw.find("TPF0"), std::string::npos);
}

TEST_F(SkinFiles, CompactBitmapsLoseAlphaAndKeepTheKey) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  TSeBitmap* pic = skin.Bitmaps().GetBitmap(0);
  *pic->PixelPtr(0, 0) = se::MakeArgb(124, 0, 124, 10);   // near the key: becomes the key
  *pic->PixelPtr(1, 0) = se::MakeArgb(112, 0, 112, 255);  // comes back as 115,0,115: stays
  *pic->PixelPtr(2, 0) = se::MakeArgb(255, 0, 255, 255);  // magenta is not the key here
  skin.SaveToFile(Path("k.mskn"));
  TSeSkinSource back;
  back.LoadFromFile(Path("k.mskn"));
  TSeBitmap* got = back.Bitmaps().GetBitmap(0);
  EXPECT_EQ(got->GetPixel(0, 0), KeyColor);
  EXPECT_EQ(got->GetPixel(1, 0), se::MakeArgb(115, 0, 115, 255));
  EXPECT_EQ(got->GetPixel(2, 0), se::MakeArgb(255, 0, 255, 255));
  EXPECT_EQ(got->GetPixel(4, 2), KeyColor);
  // The standard body turns near-magenta into the key instead.
  skin.SaveToFile(Path("k.uskn"));
  back.LoadFromFile(Path("k.uskn"));
  EXPECT_EQ(back.Bitmaps().GetBitmap(0)->GetPixel(2, 0), KeyColor);
  EXPECT_EQ(back.Bitmaps().GetBitmap(0)->GetPixel(0, 0), se::MakeArgb(124, 0, 124, 10));
}

TEST_F(SkinFiles, NamesExtensionsAndTheProgramFolder) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  skin.SaveToFile(Path("BLUE.MSKN"));
  EXPECT_EQ(FindSkinFilter("x/BLUE.MSKN"), FindSkinFilter("a.mskn"));
  EXPECT_EQ(FindSkinFilter("a.skn"), nullptr);
  EXPECT_EQ(FindSkinFilter("mskn"), nullptr);
  TSeSkinSource back;
  back.LoadFromFile(Path("BLUE.MSKN"));
  EXPECT_EQ(back.Count(), 2);

  // Unknown extensions are written compressed at level 1.
  skin.SaveToFile(Path("other.skn"));
  const std::string other = Bytes(Path("other.skn"));
  EXPECT_EQ(other.substr(0, 4), "TBLZ");
  EXPECT_EQ(std::uint8_t(other[5]), 0x01);
  back.LoadFromFile(Path("other.skn"));  // no filter reads .skn: nothing happens
  EXPECT_EQ(back.Count(), 2);

  // Missing files and empty names leave the skin alone.
  for (const std::string& name : {std::string(), Path("missing.mskn"), std::string("C:\\Nope.mskn")}) {
    back.LoadFromFile(name);
    EXPECT_EQ(back.Count(), 2) << name;
  }

  // A relative name that is not here is tried in the program's folder.
  const fs::path folder = se::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  const std::string relative = "skintest-" + std::to_string(::getpid()) + "/Blue.tskn";
  fs::create_directories(folder / ("skintest-" + std::to_string(::getpid())));
  skin.SaveToFile((folder / relative).string());
  TSeSkinSource found;
  std::string windowsName = relative;
  std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
  found.LoadFromFile(windowsName);
  fs::remove_all(folder / ("skintest-" + std::to_string(::getpid())));
  EXPECT_EQ(found.Count(), 2);
}

TEST_F(SkinFiles, HostileFilesRaiseAndKeepTheLoadedSkin) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  skin.SaveToFile(Path("good.uskn"));
  const std::string good = Bytes(Path("good.uskn"));
  auto packed = [](const std::string& body, int level) {
    std::string out(compressBound(body.size()) + 16, '\0');
    uLongf size = out.size();
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(body.data()),
              body.size(), level);
    out.resize(size);
    return "TBLZ" + out;
  };
  // Offsets in the standard body: five strings, then the bitmap count.
  const std::size_t bitmapCount = 4 + 5 + 4 + 5 + 4 + 5 + 4 + 20 + 4 + 28;
  auto patched = [&](std::size_t at, std::int32_t value) {
    std::string s = good;
    std::memcpy(s.data() + at, &value, 4);
    return s;
  };
  ASSERT_EQ(se::MakeArgb(0, 0, 0, 0), 0u);
  std::string bitmapHeader = good.substr(bitmapCount, 4);
  ASSERT_EQ(bitmapHeader, std::string("\x01\0\0\0", 4)) << "the skin's default author texts moved the count";
  const std::size_t widthAt = bitmapCount + 4 + 4 + 3;
  const std::size_t objectCount = widthAt + 8 + 5 * 3 * 4;
  ASSERT_EQ(good.substr(objectCount, 4), std::string("\x02\0\0\0", 4));

  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"truncated.uskn", good.substr(0, good.size() - 7)},
      {"cut-in-strings.uskn", good.substr(0, 10)},
      {"lying-bitmap-count.uskn", patched(bitmapCount, 0x7FFFFFFF)},
      {"negative-bitmap-count.uskn", patched(bitmapCount, -1)},
      {"lying-width.uskn", patched(widthAt, 0x40000000)},
      {"negative-width.uskn", patched(widthAt, -5)},
      {"lying-object-count.uskn", patched(objectCount, 1000)},
      {"lying-string.uskn", patched(0, 0x7FFFFFF0)},
      {"no-signature.tskn", "XXXX" + packed(good, 1).substr(4)},
      {"bad-zlib.tskn", "TBLZ" + std::string(64, '\x55')},
      {"cut-zlib.xskn", packed(good, 9).substr(0, 40)},
      {"empty.tskn", ""},
      {"lying-count-packed.xskn", packed(patched(bitmapCount, 0x10000000), 9)},
      {"standard-as-compact.mskn", packed(good, 9)},
  };
  TSeSkinSource loaded;
  loaded.LoadFromFile(Path("good.uskn"));
  const std::string before = Content(loaded);
  for (const auto& c : cases) {
    Write(Path(c.name), c.bytes);
    EXPECT_THROW(loaded.LoadFromFile(Path(c.name)), Exception) << c.name;
    EXPECT_EQ(Content(loaded), before) << c.name;
  }
}

TEST_F(SkinFiles, HueRequestsShiftFromTheFile) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  skin.GetObject(0)->SetColor(clRed);
  const TSeArgb pixel = skin.Bitmaps().GetBitmap(0)->GetPixel(1, 1);
  skin.ChangeHue(30);
  EXPECT_EQ(skin.Bitmaps().GetBitmap(0)->GetPixel(1, 1), se::ShiftArgbHue(pixel, 30));
  EXPECT_EQ(skin.Bitmaps().GetBitmap(0)->GetPixel(4, 2), KeyColor) << "alpha 0 is not shifted";
  skin.ChangeHue(50);
  EXPECT_EQ(skin.Bitmaps().GetBitmap(0)->GetPixel(1, 1), se::ShiftArgbHue(se::ShiftArgbHue(pixel, 30), 20));
  EXPECT_EQ(skin.AppliedHue(), 50);
  const TColor color = skin.GetObject(0)->Color();
  skin.ChangeHue(50);  // the same request again: nothing
  EXPECT_EQ(skin.GetObject(0)->Color(), color);
  EXPECT_EQ(color, se::ArgbToColor(se::ShiftArgbHue(se::ShiftArgbHue(0xFFFF0000u, 30), 20)));
}

TEST_F(SkinFiles, LookupsAndLoadingFlag) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  EXPECT_EQ(skin.GetObjectByName("button"), skin.GetObject(1));
  EXPECT_EQ(skin.GetObjectByName("Title"), nullptr) << "only top-level objects";
  EXPECT_EQ(skin.GetFormObject(), skin.GetObject(0));
  EXPECT_EQ(skin.GetObject(2), nullptr);
  skin.SetLoading(true);
  EXPECT_EQ(skin.GetObject(0), nullptr);
  skin.SetLoading(false);
  skin.GetObject(0)->SetName("Frame");
  skin.GetObject(0)->SetKind(skForm);
  EXPECT_EQ(skin.GetFormObject(), skin.GetObject(0));
  skin.Clear();
  EXPECT_EQ(skin.Count(), 0);
}

TEST_F(SkinFiles, StreamsUseTheCompressedFormat) {
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  TMemoryStream s;
  s.WriteBuffer("pre", 3);
  skin.SaveToStream(s);
  s.WriteBuffer("post", 4);
  s.SetPosition(3);
  TSeSkinSource back;
  back.LoadFromStream(s);
  EXPECT_EQ(Content(back), Content(skin));
  char tail[4];
  ASSERT_EQ(s.Read(tail, 4), 4);
  EXPECT_EQ(std::string(tail, 4), "post") << "the stream is left after the skin";
}

// Our skins are sources: each compiles to every format and decompiles to
// the same text and pixels.
TEST_F(SkinFiles, ShippedSourcesRoundTripThroughEveryFormat) {
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(std::string(BURNER_SOURCE_DIR) + "/resources/skins"))
    if (fs::is_regular_file(entry.path() / "skin.txt")) sources.push_back(entry.path() / "skin.txt");
  sources.push_back(std::string(BURNER_SOURCE_DIR) + "/skin/tests/skins/Default/skin.txt");
  ASSERT_GE(sources.size(), 4u) << "devoir, slate, meadow and the test skin";
  for (const fs::path& source : sources) {
    const std::string name = source.parent_path().filename().string();
    TSeSkinSource skin;
    skin.LoadFromSourceFile(source.string());
    ASSERT_NE(skin.GetFormObject(), nullptr) << name;
    const std::string text = Bytes(source.string());
    const std::string content = Content(skin);
    for (const char* ext : {"uskn", "tskn", "xskn", "mskn"}) {
      const std::string file = Path(name + "." + ext);
      skin.SaveToFile(file);
      TSeSkinSource back;
      back.LoadFromFile(file);
      EXPECT_EQ(Content(back), content) << name << "." << ext;
      const std::string folder = Path(name + "-" + ext);
      fs::create_directories(folder);
      back.SaveToSourceFile(folder + "/skin.txt");
      EXPECT_EQ(Bytes(folder + "/skin.txt"), text) << name << "." << ext;
      TSeSkinSource again;
      again.LoadFromSourceFile(folder + "/skin.txt");
      EXPECT_EQ(Content(again), content) << name << "." << ext;
    }
  }
}

// What the skinned forms, controls, menus and hints look up by name: each
// shipped skin has all of it, and uses every class of skin object.
TEST_F(SkinFiles, ShippedSkinsHoldEveryObjectTheControlsLookUp) {
  const std::pair<const char*, std::vector<const char*>> wanted[] = {
      {"Form", {"Caption", "Title", "Close", "Maximize", "Restore", "Minimize", "Client"}},
      {"ToolWindow", {"Close", "Client"}},
      {"Button", {"Face", "Text"}},
      {"SpeedButton", {"Face", "FlatFace", "Chevron", "FlatChevron", "Text"}},
      {"SpinButton", {"Face"}},
      {"Edit", {"Frame", "Text"}},
      {"ListBox", {"Frame", "Item", "Checked", "Mixed", "Unchecked"}},
      {"ComboBox", {"Frame", "Button", "Text"}},
      {"CheckBox", {"Checked", "Mixed", "Unchecked", "Text"}},
      {"RadioButton", {"Checked", "Unchecked", "Text"}},
      {"GroupBox", {"Frame", "Caption"}},
      {"Label", {}},
      {"StatusBar", {"Frame", "Panel", "Gripper"}},
      {"ControlBar", {"Frame", "Grabber", "Back"}},
      {"ProgressBar", {"Frame", "Bar"}},
      {"TrackBar", {"Frame", "Track", "Highlight", "Thumb"}},
      {"Tabs", {"Tab", "Frame", "Text", "LeftButton", "RightButton"}},
      {"ScrollBar", {"Frame", "TopButton", "BottomButton", "LeftButton", "RightButton", "Slider"}},
      {"ToolBar", {"Frame"}},
      {"MenuBar", {"Frame", "ToolbarFrame", "Item", "ToolbarItem", "Close", "Restore", "Min"}},
      {"PopupMenu", {"Frame", "Item", "Separator"}},
      {"Hint", {}},
      {"ScrollBox", {"Frame"}},
  };
  const char* classes[] = {"TSeSkinObject", "TSeActiveBitmap", "TSeBitmapObject", "TSeSystemButton",
                           "TSeButtonObject", "TSeTextObject", "TSeLinkSkinObject", "TSeActiveSkinObject",
                           "TSeBitmapSkinObject", "TSeFormBitmapSkinObject", "TSeSysButtonSkinObject",
                           "TSeColorButtonObject", "TSeBitmapBoxObject", "TSeActiveBitmapBoxObject",
                           "TSeButtonBitmapBoxObject", "TSeRollPanelObject", "TSeActiveObject"};
  for (const char* name : {"devoir", "slate", "meadow"}) {
    TSeSkinSource skin;
    skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/resources/skins/" + name + "/skin.txt");
    std::set<std::string> used;
    std::function<void(TSeSkinObject*)> collect = [&](TSeSkinObject* o) {
      used.insert(o->ClassName());
      for (int i = 0; i < o->Count(); ++i) collect(o->Objects(i));
    };
    for (int i = 0; i < skin.Count(); ++i) collect(skin.GetObject(i));
    for (const auto& [top, children] : wanted) {
      TSeSkinObject* object = skin.GetObjectByName(top);
      ASSERT_NE(object, nullptr) << name << ": " << top;
      for (const char* child : children) EXPECT_NE(object->FindObjectByName(child), nullptr) << name << ": " << top << "." << child;
    }
    for (const char* cls : classes) EXPECT_TRUE(used.count(cls)) << name << " uses no " << cls;
  }
}

TEST_F(SkinFiles, SourceTextErrorsAreRefused) {
  const std::string head = "SkinName = 'X'\n";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"unknown line", head + "Colour = 'red'\n"},
      {"unknown class", head + "object Form: TNoSuchObject\nend\n"},
      {"no end", head + "object Form: TSeSkinObject\n  Width = 10\n"},
      {"folder in a picture name", head + "Bitmap 'A' = '../a.png'\n"},
      {"missing picture", head + "Bitmap 'A' = 'missing.png'\n"},
      {"bad property", head + "object Form: TSeSkinObject\n  Wdth = 10\nend\n"},
      {"duplicate child", head + "object F: TSeSkinObject\n object A: TSeSkinObject\n end\n"
                                 " object A: TSeSkinObject\n end\nend\n"},
  };
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  const std::string before = Content(skin);
  for (const auto& c : cases) {
    Write(Path("skin.txt"), c.text);
    EXPECT_THROW(skin.LoadFromSourceFile(Path("skin.txt")), Exception) << c.what;
    EXPECT_EQ(Content(skin), before) << c.what;
  }
  // Comments, nesting and a picture with every kind of pixel.
  TSeSkinSource small;
  BuildSmallSkin(small);
  *small.Bitmaps().GetBitmap(0)->PixelPtr(0, 0) = se::MakeArgb(10, 20, 30, 0);  // transparent, not the key
  small.SaveToSourceFile(Path("skin.txt"));
  const std::string text = Bytes(Path("skin.txt"));
  EXPECT_NE(text.find("  object Title: TSeTextObject\n"), std::string::npos) << text;
  Write(Path("skin.txt"), "// a comment\n" + text);
  TSeSkinSource back;
  back.LoadFromSourceFile(Path("skin.txt"));
  EXPECT_EQ(Content(back), Content(small));
}

TEST_F(SkinFiles, DrawnFrameLooksRight) {
  TSeSkinSource skin;
  skin.LoadFromSourceFile(std::string(BURNER_SOURCE_DIR) + "/skin/tests/skins/Default/skin.txt");
  ASSERT_GT(skin.Count(), 0);
  auto form = CloneSkinObject(*skin.GetFormObject());
  ASSERT_NE(form, nullptr);
  form->SetActive(true);
  form->SetBoundsRect(Rect(0, 0, 260, 150));
  form->FindObjectByName("Title")->SetText("Burner");
  TSeBitmap surface;
  surface.SetSize(270, 200);
  surface.Clear(0xFFFFFFFFu);
  form->Draw(surface.Canvas());
  auto button = CloneSkinObject(*skin.GetObjectByName("Button"));
  button->SetBoundsRect(Bounds(20, 165, 90, 26));
  button->SetText("OK");
  button->Draw(surface.Canvas());
  button->SetBoundsRect(Bounds(130, 165, 90, 26));
  button->SetState(osPressed);
  button->Draw(surface.Canvas());
  const std::string png = std::string(BURNER_BINARY_DIR) + "/skin-default-frame.png";
  surface.Image().save(QString::fromStdString(png));

  // The outer top corner is left out, the close button sits at the right
  // after the resize, and the client area has its colour.
  EXPECT_EQ(surface.GetPixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(surface.GetPixel(130, 80) & 0xFFFFFF, 0xEEE8E4u);
  TSeSkinObject* close = form->FindObjectByName("Close");
  EXPECT_EQ(close->BoundsRect(), Bounds(260 - 6 - 18, 4, 18, 18));
  // The source keeps the 16-bit colours of the compact file it came from.
  EXPECT_EQ(surface.GetPixel(close->Left() + 9, close->Top() + 2) & 0xFFFFFF, 0x31598Cu);
  form->Draw(surface.Canvas());
  EXPECT_EQ(close->BoundsRect(), Bounds(260 - 6 - 18, 4, 18, 18)) << "drawing again does not move it";
  EXPECT_FALSE(form->GetObjectRegion().contains(QPoint(0, 0)));
  EXPECT_TRUE(form->GetObjectRegion().contains(QPoint(130, 80)));
}

namespace {

void PutLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}

// An 8-bit run-length BMP that claims width x height and holds only the
// end-of-picture mark: a few bytes standing for millions of pixels.
std::string RunLengthBmp(int width, int height) {
  const std::string runs("\x00\x01", 2);
  const std::uint32_t offset = 14 + 40 + 4;
  std::string s = "BM";
  PutLe(s, offset + std::uint32_t(runs.size()), 4);
  PutLe(s, 0, 4);
  PutLe(s, offset, 4);
  for (std::uint32_t v : {40u, std::uint32_t(width), std::uint32_t(height)}) PutLe(s, v, 4);
  PutLe(s, 1, 2);
  PutLe(s, 8, 2);
  for (std::uint32_t v : {1u, std::uint32_t(runs.size()), 0u, 0u, 1u, 0u}) PutLe(s, v, 4);
  PutLe(s, 0, 4);  // the one palette entry
  return s + runs;
}

std::string LeString(const std::string& text) {
  std::string s;
  PutLe(s, std::uint32_t(text.size()), 4);
  return s + text;
}

std::string Packed(const std::string& body) {
  std::string out(compressBound(body.size()) + 16, '\0');
  uLongf size = out.size();
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(body.data()),
            body.size(), 9);
  out.resize(size);
  return "TBLZ" + out;
}

// A compact skin of the given BMP pictures and no objects.
std::string CompactSkin(const std::vector<std::string>& pictures) {
  std::string body;
  for (int i = 0; i < 5; ++i) body += LeString("");
  PutLe(body, std::uint32_t(pictures.size()), 4);
  for (const std::string& bmp : pictures) body += LeString("Pic") + LeString(bmp);
  PutLe(body, 0, 4);
  return Packed(body);
}

}  // namespace

// A small file must not make the loader take gigabytes: pictures are
// counted before their pixels are made, one by one and for the whole skin.
TEST_F(SkinFiles, PictureSizesAreCappedBeforeDecoding) {
  const std::string huge = CompactSkin({RunLengthBmp(4096, 4096)});
  ASSERT_LT(huge.size(), 100u);
  std::string uncompressedWide;
  for (int i = 0; i < 5; ++i) uncompressedWide += LeString("");
  PutLe(uncompressedWide, 1, 4);
  uncompressedWide += LeString("Wide");
  PutLe(uncompressedWide, kMaxSkinPictureSide + 1, 4);
  PutLe(uncompressedWide, 1, 4);
  uncompressedWide += std::string(std::size_t(kMaxSkinPictureSide + 1) * 4, '\x40');
  PutLe(uncompressedWide, 0, 4);
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"runs.mskn", huge, "a picture may have at most"},
      {"side.mskn", CompactSkin({RunLengthBmp(kMaxSkinPictureSide + 1, 1)}), "a side may be at most"},
      {"many.mskn", CompactSkin(std::vector<std::string>(3, RunLengthBmp(2048, 1024))), "pixels in all"},
      {"side.uskn", uncompressedWide, "a side may be at most"},
  };
  TSeSkinSource skin;
  BuildSmallSkin(skin);
  const std::string before = Content(skin);
  for (const auto& c : cases) {
    Write(Path(c.name), c.bytes);
    try {
      skin.LoadFromFile(Path(c.name));
      ADD_FAILURE() << c.name << " loaded";
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
    }
    EXPECT_EQ(Content(skin), before) << c.name;
  }
  // Within the limits, the same kind of picture loads.
  Write(Path("fits.mskn"), CompactSkin(std::vector<std::string>(2, RunLengthBmp(2048, 1024))));
  skin.LoadFromFile(Path("fits.mskn"));
  ASSERT_EQ(skin.Bitmaps().Count(), 2);
  EXPECT_EQ(skin.Bitmaps().GetBitmap(1)->Width(), 2048);
}

TEST_F(SkinFiles, ObjectSizesAndFontHeightsAreCapped) {
  const std::string over = std::to_string(kMaxSkinExtent + 1);
  const std::string cases[] = {
      "Width = " + over,
      "Left = -" + over,
      "MarginLeft = " + over,
      "TextMarginTop = -" + over,
      "Font.Height = " + std::to_string(kMaxSkinFontHeight + 1),
      "Font.Height = -" + std::to_string(kMaxSkinFontHeight + 1),
      "Bitmap.Right = " + over,
  };
  for (const std::string& line : cases) {
    const std::string text = "object Form: TSeBitmapObject\n  " + line + "\nend\n";
    TMemoryStream record;
    se::WriteStreamString(record, "TSeBitmapObject");
    se::WriteStreamString(record, text);
    record.SetPosition(0);
    try {
      ReadSkinObject(record);
      ADD_FAILURE() << line << " was taken";
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.what()).find("must lie within"), std::string::npos) << e.what();
    }
  }
  // The limits themselves are fine.
  TMemoryStream record;
  se::WriteStreamString(record, "TSeBitmapObject");
  se::WriteStreamString(record, "object Form: TSeBitmapObject\n  Width = " + std::to_string(kMaxSkinExtent) +
                                    "\n  Font.Height = -" + std::to_string(kMaxSkinFontHeight) + "\nend\n");
  record.SetPosition(0);
  const auto form = ReadSkinObject(record);
  EXPECT_EQ(form->Width(), kMaxSkinExtent);
  EXPECT_EQ(form->Font().Height(), -kMaxSkinFontHeight);
}
