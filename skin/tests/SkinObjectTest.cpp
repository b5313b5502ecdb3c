// Skin objects: images in both forms, layout by alignment and anchors,
// drawing by state, regions, hit tests, clones and the first family of
// drawing classes.

#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Streams.h"
#include "platform/gui/Controls.h"
#include "skin/se_objectclasses.h"
#include "skin/se_stream.h"

namespace {

class SkinObjects : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSkinObjectClasses(); }
};

template <class T>
T* Child(TSeSkinObject* parent, const char* name, TSeAlign align, const TRect& r) {
  T* c = Create<T>(parent);
  c->SetName(name);
  c->SetAlign(align);
  c->SetBoundsRect(r);
  return c;
}

// A tree with every class of the family and values away from defaults.
std::unique_ptr<TSeSkinObject> SampleTree() {
  auto root = CreateUnique<TSeBitmapObject>();
  root->SetName("Form");
  root->SetKind(skForm);
  root->SetBoundsRect(Rect(0, 0, 120, 90));
  root->SetColor(clNone);
  root->SetMarginLeft(3);
  root->SetTileStyle(tsStretch);
  root->SetMaskedAngles(false);
  root->Bitmap().Name = "Frame";
  root->Bitmap().Right = 9;
  root->Bitmap().Bottom = 9;
  root->Font().SetStyle(fsBold | fsUnderline);
  root->Font().SetName("Tahoma");
  auto* caption = Child<TSeActiveObject>(root.get(), "Caption", saMostTop, Rect(0, 0, 120, 20));
  caption->SetActiveColor(RGB(1, 2, 3));
  caption->ActiveFont().SetColor(clHighlightText);
  caption->SetTextAlign(TSeTextAlign::taBottomRight);
  caption->SetTextEffect(teShadow);
  caption->SetTextMarginTop(-2);
  auto* close = Child<TSeSystemButton>(caption, "Close", saTopRight, Rect(100, 2, 116, 18));
  close->SetAction(sbaClose);
  close->BitmapHot().Name = "It's \"hot\"\r\n";
  close->BitmapPressed().Left = -7;
  auto* text = Child<TSeTextObject>(root.get(), "Text", saClient, Rect(0, 20, 120, 90));
  text->FontHot().SetHeight(-20);
  text->SetColor(0x12345678);
  auto* button = Child<TSeButtonObject>(text, "Btn", saCenter, Rect(0, 0, 30, 10));
  button->BitmapDisabled().Name = std::string(300, 'x');  // a long string
  Child<TSeActiveBitmap>(button, "Deep", saNone, Rect(1, 1, 2, 2))->SetDrawIfOwner(true);
  Child<TSeSkinObject>(root.get(), "Plain", saNone, Rect(0, 0, 0, 0))->SetColor(clBtnFace);
  return root;
}

std::string Record(TSeSkinObject& object, bool binary) {
  TMemoryStream s;
  if (binary)
    WriteSkinObjectBinary(s, object);
  else
    WriteSkinObject(s, object);
  return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}

std::unique_ptr<TSeSkinObject> Read(const std::string& bytes, bool binary) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  auto object = binary ? ReadSkinObjectBinary(s) : ReadSkinObject(s);
  EXPECT_EQ(s.Position(), s.Size());
  return object;
}

std::string TextRecord(const std::string& className, const std::string& text) {
  TMemoryStream s;
  se::WriteStreamString(s, className);
  se::WriteStreamString(s, text);
  return std::string(reinterpret_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}

TSeArgb Rgb(const TSeBitmap& b, int x, int y) { return b.GetPixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST_F(SkinObjects, TreesRoundTripThroughBothImagesIdentically) {
  auto tree = SampleTree();
  for (bool binary : {false, true}) {
    const std::string first = Record(*tree, binary);
    auto back = Read(first, binary);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Record(*back, binary), first) << (binary ? "binary" : "text");
    EXPECT_EQ(Record(*back, !binary), Record(*tree, !binary));
    EXPECT_EQ(SkinObjectImage(*back), SkinObjectImage(*tree));
    ASSERT_EQ(back->Count(), 3);
    auto* close = dynamic_cast<TSeSystemButton*>(back->FindObjectByName("close"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->Action(), sbaClose);
    EXPECT_EQ(close->Kind(), skSysButton);
    EXPECT_EQ(close->BitmapHot().Name, "It's \"hot\"\r\n");
    EXPECT_EQ(close->BoundsRect(), Rect(100, 2, 116, 18));
    EXPECT_EQ(back->FindObjectByName("Text")->Color(), 0x12345678);
  }
  // Readers put the default charset on every font of the tree.
  dynamic_cast<TSeTextObject*>(tree->FindObjectByName("Text"))->FontDisabled().SetCharset(204);
  tree->FindObjectByName("Close")->Font().SetCharset(0);
  auto back = Read(Record(*tree, true), true);
  EXPECT_EQ(dynamic_cast<TSeTextObject*>(back->FindObjectByName("Text"))->FontDisabled().Charset(),
            DEFAULT_CHARSET);
  EXPECT_EQ(back->FindObjectByName("Close")->Font().Charset(), DEFAULT_CHARSET);
}

TEST_F(SkinObjects, TextImageReadsLikeTheClassLibrarysForm) {
  auto tree = SampleTree();
  const TSeComponentImage image = SkinObjectImage(*tree->FindObjectByName("Caption"));
  const std::string text = se::ComponentImageToText(image);
  EXPECT_EQ(text.rfind("object Caption: TSeActiveObject\n  Align = saMostTop\n  Kind = skNone\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("  TextEffect = teShadow\n"), std::string::npos);
  EXPECT_NE(text.find("  ActiveColor = 197121\n"), std::string::npos);
  EXPECT_NE(text.find("  ActiveFont.Color = clHighlightText\n"), std::string::npos);
  EXPECT_NE(text.find("  Objects = {\n    01000F00"), std::string::npos);
  EXPECT_EQ(se::ComponentImageFromText(text), image);
  // A property given twice takes the later value.
  auto twice =
      Read(TextRecord("TSeSkinObject", "object T: TSeSkinObject\n  Width = 3\n  width = 7\nend\n"), false);
  EXPECT_EQ(twice->Width(), 7);

  // Written by hand: continued strings, character codes, hex numbers.
  const auto parsed = se::ComponentImageFromText(
      "object X: TSeSkinObject\n  Color = $FF\n  Font.Name = 'A''b' +\n    #65'c'\n"
      "  Font.Style = [ ]\n  Masked = false\nend\n");
  TSeComponentImage want{"TSeSkinObject", "X", {}};
  TSePropertyValue color;
  color.integer = 255;
  TSePropertyValue name;
  name.kind = TSePropertyValue::kString;
  name.text = "A'bAc";
  TSePropertyValue style;
  style.kind = TSePropertyValue::kSet;
  TSePropertyValue masked;
  masked.kind = TSePropertyValue::kBoolean;
  want.properties = {{"Color", color}, {"Font.Name", name}, {"Font.Style", style}, {"Masked", masked}};
  EXPECT_EQ(parsed, want);
}

TEST_F(SkinObjects, ChildCountFlagChoosesBinaryOrTextRecords) {
  // A plain count of 2 in "Objects" means two text records.
  TMemoryStream children;
  se::WriteInt32(children, 2);
  for (const char* name : {"A", "B"}) {
    const std::string r =
        TextRecord("TSeSkinObject", std::string("object ") + name + ": TSeSkinObject\nend\n");
    children.WriteBuffer(r.data(), std::int64_t(r.size()));
  }
  TSeComponentImage image{"TSeSkinObject", "Root", {}};
  TSePropertyValue objects;
  objects.kind = TSePropertyValue::kBinary;
  objects.text.assign(reinterpret_cast<const char*>(children.Memory()), std::size_t(children.Size()));
  image.properties.emplace_back("Objects", objects);
  auto root = Read(TextRecord("TSeSkinObject", se::ComponentImageToText(image)), false);
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Objects(1)->Name(), "B");
  EXPECT_EQ(root->Objects(2), nullptr);

  // 0xF0000 | 3 reads three binary records.
  auto three = CreateUnique<TSeSkinObject>();
  for (const char* name : {"A", "B", "C"}) Child<TSeSkinObject>(three.get(), name, saNone, Rect(0, 0, 1, 1));
  const TSeComponentImage written = SkinObjectImage(*three);
  const std::string& bytes = written.properties.back().second.text;
  ASSERT_GE(bytes.size(), 4u);
  TMemoryStream count;
  count.WriteBuffer(bytes.data(), 4);
  count.SetPosition(0);
  EXPECT_EQ(se::ReadInt32(count), 0xF0003);
  EXPECT_EQ(Read(Record(*three, false), false)->Count(), 3);
}

TEST_F(SkinObjects, HostileRecordsRaiseClearErrors) {
  const std::string good = Record(*SampleTree(), true);
  struct Case {
    const char* what;
    std::string bytes;
    bool binary;
  };
  std::vector<Case> cases = {
      {"unknown class", TextRecord("TSeNoSuchObject", "object X: TSeNoSuchObject\nend\n"), false},
      {"class name differs in case", TextRecord("tseskinobject", "object X: TSeSkinObject\nend\n"), false},
      {"unknown property", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Bogus = 1\nend\n"), false},
      {"wrong value type", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Left = 'a'\nend\n"),
       false},
      {"unknown enum value", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Align = saWhere\nend\n"),
       false},
      {"enum number out of range", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Kind = 99\nend\n"),
       false},
      {"integer too large",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Left = 99999999999\nend\n"), false},
      {"name not an identifier", TextRecord("TSeSkinObject", "object 9x: TSeSkinObject\nend\n"), false},
      {"no end", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Left = 1\n"), false},
      {"unterminated string",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Font.Name = 'ab\nend\n"), false},
      {"odd hex", TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Objects = {ABC}\nend\n"), false},
      {"nested object",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  object Y: TSeSkinObject\nend\nend\n"), false},
      {"lying child count",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Objects = {FFFF0F00}\nend\n"), false},
      {"negative child count",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Objects = {000000F0}\nend\n"), false},
      {"left-over child bytes",
       TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Objects = {00000F0001}\nend\n"), false},
      {"truncated binary", good.substr(0, good.size() - 3), true},
      {"binary image cut inside", good.substr(0, 40), true},
  };
  cases.push_back({"too many children",
                   TextRecord("TSeSkinObject", "object X: TSeSkinObject\n  Objects = {01040F00" +
                                                   std::string(1025 * 16, '0') + "}\nend\n"),
                   false});
  // Lying image size.
  std::string lying = good;
  lying[4 + 15 + 3] = char(0x7F);
  cases.push_back({"lying image size", lying, true});
  // Duplicate sibling names.
  auto dup = CreateUnique<TSeSkinObject>();
  Child<TSeSkinObject>(dup.get(), "Same", saNone, Rect(0, 0, 1, 1));
  Child<TSeSkinObject>(dup.get(), "Sama", saNone, Rect(0, 0, 1, 1));
  std::string dupBytes = Record(*dup, true);
  const std::size_t at = dupBytes.find("Sama");
  ASSERT_NE(at, std::string::npos);
  dupBytes.replace(at, 4, "Same");
  cases.push_back({"duplicate sibling names", dupBytes, true});
  for (const Case& c : cases) {
    TMemoryStream s;
    s.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
    s.SetPosition(0);
    EXPECT_THROW(c.binary ? ReadSkinObjectBinary(s) : ReadSkinObject(s), Exception) << c.what;
  }
}

TEST_F(SkinObjects, DeepNestingIsRefused) {
  auto root = CreateUnique<TSeSkinObject>();
  TSeSkinObject* at = root.get();
  for (int i = 0; i < kMaxSkinObjectDepth + 5; ++i)
    at = Child<TSeSkinObject>(at, "N", saNone, Rect(0, 0, 1, 1));
  for (bool binary : {false, true}) {
    const std::string bytes = Record(*root, binary);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    s.SetPosition(0);
    try {
      binary ? ReadSkinObjectBinary(s) : ReadSkinObject(s);
      ADD_FAILURE() << "read a tree deeper than the limit";
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.what()).find("nested too deeply"), std::string::npos);
    }
  }
}

TEST_F(SkinObjects, AlignmentPassesLayOutChildren) {
  auto p = CreateUnique<TSeSkinObject>();
  auto* client = Child<TSeSkinObject>(p.get(), "Client", saClient, Rect(0, 0, 1, 1));
  auto* top = Child<TSeSkinObject>(p.get(), "Top", saTop, Rect(0, 0, 5, 5));
  auto* mostTop = Child<TSeSkinObject>(p.get(), "MostTop", saMostTop, Rect(0, 0, 5, 10));
  auto* left = Child<TSeSkinObject>(p.get(), "Left", saLeft, Rect(0, 0, 3, 5));
  auto* mostLeft = Child<TSeSkinObject>(p.get(), "MostLeft", saMostLeft, Rect(0, 0, 7, 5));
  auto* right = Child<TSeSkinObject>(p.get(), "Right", saRight, Rect(0, 0, 4, 5));
  auto* bottom = Child<TSeSkinObject>(p.get(), "Bottom", saBottom, Rect(0, 0, 5, 6));
  auto* mostBottom = Child<TSeSkinObject>(p.get(), "MostBottom", saMostBottom, Rect(0, 0, 5, 2));
  auto* center = Child<TSeSkinObject>(p.get(), "Center", saCenter, Rect(0, 0, 11, 7));
  auto* hidden = Child<TSeSkinObject>(p.get(), "Hidden", saTop, Rect(0, 0, 5, 50));
  hidden->SetVisible(false);
  auto* grand = Child<TSeSkinObject>(client, "Grand", saClient, Rect(0, 0, 1, 1));
  p->SetBoundsRect(Rect(10, 20, 110, 100));

  EXPECT_EQ(mostTop->BoundsRect(), Rect(10, 20, 110, 30));
  EXPECT_EQ(mostBottom->BoundsRect(), Rect(10, 98, 110, 100));
  EXPECT_EQ(mostLeft->BoundsRect(), Rect(10, 30, 17, 98));
  EXPECT_EQ(top->BoundsRect(), Rect(17, 30, 110, 35));
  EXPECT_EQ(bottom->BoundsRect(), Rect(17, 92, 110, 98));
  EXPECT_EQ(left->BoundsRect(), Rect(17, 35, 20, 92));
  EXPECT_EQ(right->BoundsRect(), Rect(106, 35, 110, 92));
  EXPECT_EQ(client->BoundsRect(), Rect(20, 35, 106, 92));
  EXPECT_EQ(grand->BoundsRect(), client->BoundsRect());
  EXPECT_EQ(center->BoundsRect(), Bounds(20 + (86 - 11) / 2, 35 + (57 - 7) / 2, 11, 7));
  EXPECT_EQ(hidden->BoundsRect(), Rect(0, 0, 5, 50));

  // The same bounds again lay nothing out.
  client->SetBoundsRect(Rect(0, 0, 3, 3));
  p->SetBoundsRect(Rect(10, 20, 110, 100));
  EXPECT_EQ(client->BoundsRect(), Rect(0, 0, 3, 3));
}

TEST_F(SkinObjects, AnchorsFollowTheParentsChangeOfSize) {
  auto p = CreateUnique<TSeSkinObject>();
  p->SetBoundsRect(Rect(0, 0, 100, 80));
  auto* tr = Child<TSeSkinObject>(p.get(), "TR", saTopRight, Rect(90, 5, 98, 10));
  auto* bl = Child<TSeSkinObject>(p.get(), "BL", saBottomLeft, Rect(5, 70, 10, 78));
  auto* br = Child<TSeSkinObject>(p.get(), "BR", saBottomRight, Rect(90, 70, 98, 78));
  auto* tl = Child<TSeSkinObject>(p.get(), "TL", saTopLeft, Rect(5, 5, 10, 10));
  auto* grand = Child<TSeSkinObject>(tr, "G", saClient, Rect(0, 0, 1, 1));
  tr->SetVisible(false);  // anchors move hidden children too
  p->SetBoundsRect(Rect(0, 0, 130, 90));
  EXPECT_EQ(tr->BoundsRect(), Rect(120, 5, 128, 10));
  EXPECT_EQ(bl->BoundsRect(), Rect(5, 80, 10, 88));
  EXPECT_EQ(br->BoundsRect(), Rect(120, 80, 128, 88));
  EXPECT_EQ(tl->BoundsRect(), Rect(5, 5, 10, 10));
  EXPECT_EQ(grand->BoundsRect(), Rect(0, 0, 1, 1)) << "anchoring does not lay out the child's children";
  p->AlignObjects();  // laying out again (as drawing does) keeps them put
  EXPECT_EQ(tr->BoundsRect(), Rect(120, 5, 128, 10));
  EXPECT_EQ(br->BoundsRect(), Rect(120, 80, 128, 88));

  // From a parent that was empty there is no change to follow.
  auto z = CreateUnique<TSeSkinObject>();
  auto* ztr = Child<TSeSkinObject>(z.get(), "TR", saTopRight, Rect(3, 4, 5, 6));
  auto* zbl = Child<TSeSkinObject>(z.get(), "BL", saBottomLeft, Rect(3, 4, 5, 6));
  z->SetBoundsRect(Rect(0, 0, 50, 40));
  EXPECT_EQ(ztr->BoundsRect(), Rect(3, 4, 5, 6));
  EXPECT_EQ(zbl->BoundsRect(), Rect(3, 4, 5, 6));
}

TEST_F(SkinObjects, TextAlignedChildTakesItsTextWidth) {
  auto p = CreateUnique<TSeSkinObject>();
  auto* t = Child<TSeSkinObject>(p.get(), "T", saText, Rect(4, 5, 6, 9));
  t->SetText("Hello");
  t->SetTextMarginLeft(3);
  t->SetTextMarginRight(2);
  p->SetBoundsRect(Rect(0, 0, 200, 50));
  TSeBitmap b;
  b.SetSize(1, 1);
  b.Canvas().SetFont(t->Font());
  EXPECT_EQ(t->BoundsRect(), Rect(4, 5, 4 + b.Canvas().TextWidth("Hello") + 5, 9));
}

TEST_F(SkinObjects, BaseDrawingFillsTextsAndSeparates) {
  TSeBitmap b;
  b.SetSize(40, 20);
  b.Clear(0xFF000000u);
  auto o = CreateUnique<TSeSkinObject>();
  o->SetBoundsRect(Rect(2, 2, 30, 12));
  o->SetColor(clRed);
  o->Draw(b.Canvas());
  EXPECT_EQ(Rgb(b, 2, 2), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 29, 11), 0xFF0000u);
  EXPECT_EQ(Rgb(b, 30, 11), 0u);

  // A parent without DrawIfOwner paints only its children.
  b.Clear(0xFF000000u);
  auto* c = Child<TSeSkinObject>(o.get(), "C", saNone, Rect(5, 5, 6, 6));
  c->SetColor(clLime);
  o->Draw(b.Canvas());
  EXPECT_EQ(Rgb(b, 2, 2), 0u);
  EXPECT_EQ(Rgb(b, 5, 5), 0x00FF00u);
  o->SetDrawIfOwner(true);
  o->Draw(b.Canvas());
  EXPECT_EQ(Rgb(b, 2, 2), 0xFF0000u);

  // "-" is a one-pixel line 3 pixels in at the middle; the shortcut is ignored.
  b.Clear(0xFF000000u);
  auto sep = CreateUnique<TSeSkinObject>();
  sep->SetBoundsRect(Rect(0, 0, 20, 10));
  sep->SetColor(clNone);
  sep->Font().SetColor(clWhite);
  sep->SetText("-");
  sep->SetShortCutText("Ctrl+X");
  sep->Draw(b.Canvas());
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      EXPECT_EQ(Rgb(b, x, y), (y == 4 && x >= 3 && x < 17) ? 0xFFFFFFu : 0u) << x << "," << y;

  // Text with a shadow: black one pixel down and right, then the colour.
  b.Clear(0xFF0000FFu);
  auto t = CreateUnique<TSeTextObject>();
  t->SetBoundsRect(Rect(0, 0, 40, 20));
  t->SetColor(clNone);
  t->SetText("I");
  t->SetTextAlign(TSeTextAlign::taTopLeft);
  t->SetTextEffect(teShadow);
  t->Font().SetColor(clWhite);
  t->Draw(b.Canvas());
  bool white = false, black = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      white |= Rgb(b, x, y) == 0xFFFFFF;
      black |= Rgb(b, x, y) == 0;
    }
  EXPECT_TRUE(white && black);
  // The hot font replaces the font while drawing in that state.
  t->FontHot().SetColor(clLime);
  t->SetState(osHot);
  EXPECT_EQ(t->GetFont().Color(), clLime);
  b.Clear(0xFF0000FFu);
  t->Draw(b.Canvas());
  bool lime = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) lime |= Rgb(b, x, y) == 0x00FF00;
  EXPECT_TRUE(lime);
  EXPECT_EQ(t->Font().Color(), clWhite);
}

TEST_F(SkinObjects, SearchHitTestAndRegistry) {
  auto p = CreateUnique<TSeSkinObject>();
  p->SetBoundsRect(Rect(0, 0, 50, 50));
  auto* a = Child<TSeSkinObject>(p.get(), "First", saNone, Rect(0, 0, 30, 30));
  auto* b = Child<TSeSkinObject>(p.get(), "Second", saNone, Rect(10, 10, 40, 40));
  b->SetKind(skCaption);
  EXPECT_EQ(p->ObjectAtPoint({15, 15}), b);
  EXPECT_EQ(p->ObjectAtPoint({5, 5}), a);
  EXPECT_EQ(p->ObjectAtPoint({45, 5}), p.get());
  EXPECT_EQ(p->ObjectAtPoint({60, 5}), nullptr);
  b->SetKind(skTranparent);
  EXPECT_EQ(p->ObjectAtPoint({35, 35}), p.get());
  EXPECT_EQ(p->FindObjectByName("SECOND"), b);
  EXPECT_EQ(p->FindObjectByKind(skTranparent), b);
  EXPECT_EQ(FindSkinObjectClass("tseskinobject"), nullptr);
  EXPECT_NE(FindSkinObjectClass("TSeSkinObject"), nullptr);
}

TEST_F(SkinObjects, ClonesCopyPublishedValuesAndChildrenOnly) {
  auto tree = SampleTree();
  tree->SetText("run-time text");
  tree->SetState(osHot);
  auto clone = CloneSkinObject(*tree);
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(SkinObjectImage(*clone), SkinObjectImage(*tree));
  EXPECT_TRUE(clone->Text().isEmpty());
  EXPECT_EQ(clone->State(), osNormal);
  EXPECT_NE(clone->Objects(0), tree->Objects(0));
}

TEST_F(SkinObjects, HueShiftsColoursButNotNone) {
  auto o = CreateUnique<TSeActiveObject>();
  o->SetColor(clRed);
  o->Font().SetColor(clNone);
  o->SetActiveColor(clNone);
  o->ActiveFont().SetColor(RGB(0, 0, 255));
  auto* c = Child<TSeSkinObject>(o.get(), "C", saNone, Rect(0, 0, 1, 1));
  c->SetColor(clLime);
  o->ChangeHue(10);
  EXPECT_EQ(o->Color(), se::ArgbToColor(se::ShiftArgbHue(0xFFFF0000u, 10)));
  EXPECT_EQ(o->Font().Color(), clNone);
  EXPECT_EQ(o->ActiveColor(), clNone);
  EXPECT_EQ(o->ActiveFont().Color(), se::ArgbToColor(se::ShiftArgbHue(0xFF0000FFu, 10)));
  EXPECT_EQ(c->Color(), se::ArgbToColor(se::ShiftArgbHue(0xFF00FF00u, 10)));
}

namespace {

// A 9 x 9 picture: corners red, edges green, centre blue, one key pixel in
// the top-left corner.
std::unique_ptr<TSeBitmap> NineSlice() {
  auto b = std::make_unique<TSeBitmap>();
  b->SetName("Nine");
  b->SetSize(9, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      const bool ex = x < 3 || x >= 6, ey = y < 3 || y >= 6;
      *b->PixelPtr(x, y) = ex && ey ? 0xFFFF0000u : (ex || ey) ? 0xFF00FF00u : 0xFF0000FFu;
    }
  *b->PixelPtr(0, 0) = KeyColor;
  return b;
}

}  // namespace

TEST_F(SkinObjects, BitmapObjectsDrawNineSlicesAndRegions) {
  TSeBitmapList list;
  list.Add(NineSlice());
  auto o = CreateUnique<TSeBitmapObject>();
  o->Bitmap().Name = "nine";
  o->Bitmap().Right = 9;
  o->Bitmap().Bottom = 9;
  for (auto m : {&TSeSkinObject::SetMarginLeft, &TSeSkinObject::SetMarginTop, &TSeSkinObject::SetMarginRight,
                 &TSeSkinObject::SetMarginBottom})
    (o.get()->*m)(3);
  o->SetTileStyle(tsStretch);
  o->SetBoundsRect(Rect(2, 1, 22, 16));
  TSeBitmap b;
  b.SetSize(25, 18);
  b.Clear(0xFF000000u);
  o->Draw(b.Canvas());
  EXPECT_EQ(Rgb(b, 2, 1), 0u) << "an unresolved link draws nothing";
  o->SetBitmaps(&list);
  o->AfterLoad();
  ASSERT_TRUE(o->Bitmap().Valid());
  o->Draw(b.Canvas());
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 25; ++x) {
      TSeArgb want = 0;
      if (x >= 2 && x < 22 && y >= 1 && y < 16) {
        const int ox = x - 2, oy = y - 1;
        const bool ex = ox < 3 || ox >= 17, ey = oy < 3 || oy >= 12;
        want = ex && ey ? 0xFF0000 : (ex || ey) ? 0x00FF00 : 0x0000FF;
        if (ox == 0 && oy == 0) want = 0;  // the key pixel is left out
      }
      ASSERT_EQ(Rgb(b, x, y), want) << x << "," << y;
    }
  const QRegion region = o->GetRegion();
  EXPECT_FALSE(region.contains(QPoint(2, 1)));
  EXPECT_TRUE(region.contains(QPoint(3, 1)));
  EXPECT_TRUE(region.contains(QPoint(21, 15)));
  EXPECT_FALSE(region.contains(QPoint(22, 15)));
  EXPECT_EQ(o->BoundsRect(), Rect(2, 1, 22, 16));

  // Whole picture, centred and unscaled.
  o->SetMarginLeft(0);
  o->SetMarginTop(0);
  o->SetMarginRight(0);
  o->SetMarginBottom(0);
  o->SetTileStyle(tsCenter);
  b.Clear(0xFF000000u);
  o->Draw(b.Canvas());
  const int left = 2 + (20 - 9) / 2, top = 1 + (15 - 9) / 2;
  EXPECT_EQ(Rgb(b, left + 4, top + 4), 0x0000FFu);
  EXPECT_EQ(Rgb(b, left + 8, top + 8), 0xFF0000u);
  EXPECT_EQ(Rgb(b, left + 9, top + 8), 0u);
  EXPECT_EQ(Rgb(b, left - 1, top), 0u);
}

TEST_F(SkinObjects, ButtonObjectsPickTheirPictureByState) {
  TSeBitmapList list;
  auto pic = std::make_unique<TSeBitmap>();
  pic->SetName("B");
  pic->SetSize(5, 1);
  const TSeArgb colours[5] = {0xFF111111u, 0xFF222222u, 0xFF333333u, 0xFF444444u, 0xFF555555u};
  for (int i = 0; i < 5; ++i) *pic->PixelPtr(i, 0) = colours[i];
  list.Add(std::move(pic));
  auto o = CreateUnique<TSeButtonObject>();
  auto set = [](TSeBitmapLink& l, int i) {
    l.Name = "B";
    l.Left = i;
    l.Right = i + 1;
    l.Bottom = 1;
  };
  set(o->Bitmap(), 0);
  set(o->BitmapHot(), 1);
  set(o->BitmapPressed(), 2);
  set(o->BitmapFocused(), 3);
  o->SetBoundsRect(Rect(0, 0, 2, 2));
  o->SetBitmaps(&list);
  o->AfterLoad();
  TSeBitmap b;
  b.SetSize(2, 2);
  const struct {
    TSeObjectState state;
    TSeArgb want;
  } cases[] = {{osNormal, 0x111111},
               {osHot, 0x222222},
               {osPressed, 0x333333},
               {osFocused, 0x444444},
               {osDisabled, 0x111111}};  // no disabled picture: the plain one
  for (const auto& c : cases) {
    o->SetState(c.state);
    o->Draw(b.Canvas());
    EXPECT_EQ(Rgb(b, 1, 1), c.want) << int(c.state);
  }
}

namespace {

// A window with a skinned frame, as the caption buttons see it.
class FakeFrame : public TControl, public TSeFrameActions {
 public:
  using TControl::TControl;
  TSeBorderIcons icons = kbiClose | kbiMinimize | kbiMaximize | kbiSystemMenu;
  std::vector<std::string> calls;
  TSeBorderIcons FrameBorderIcons() const override { return icons; }
  void Close() override { calls.push_back("Close"); }
  void ContextHelp() override { calls.push_back("ContextHelp"); }
  void Minimize() override { calls.push_back("Minimize"); }
  void Maximize() override { calls.push_back("Maximize"); }
  void Restore() override { calls.push_back("Restore"); }
  void Rollup() override { calls.push_back("Rollup"); }
  void MinimizeToTray() override { calls.push_back("MinimizeToTray"); }
  void ShowSystemMenu() override { calls.push_back("ShowSystemMenu"); }
  void CustomAction(TSeSkinObject*) override { calls.push_back("Custom"); }
  int repaints = 0;

 protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == SKM_GETSKINFORM)
      m.Result = reinterpret_cast<std::intptr_t>(static_cast<TSeFrameActions*>(this));
    if (m.Msg == SKM_SKINCHANGED) ++repaints;
  }
};

}  // namespace

TEST_F(SkinObjects, CaptionButtonsFollowWindowStateIconsAndMouse) {
  FakeFrame frame;
  auto caption = CreateUnique<TSeSkinObject>();
  TSeSystemButton* buttons[5];
  const TSeAction actions[5] = {sbaMaximize, sbaRestore, sbaRollUp, sbaRollDown, sbaMinimize};
  for (int i = 0; i < 5; ++i) {
    buttons[i] = Child<TSeSystemButton>(caption.get(), ("B" + std::to_string(i)).c_str(), saNone,
                                        Rect(i * 10, 0, i * 10 + 8, 8));
    buttons[i]->SetAction(actions[i]);
  }
  frame.icons |= kbiRollup;
  caption->SetOwnerControl(&frame);
  auto shown = [&] {
    std::string s;
    for (TSeSystemButton* b : buttons) s += b->Visible() ? '1' : '0';
    return s;
  };
  caption->SetState(osNormal);
  EXPECT_EQ(shown(), "10101");
  caption->SetState(osMaximized);
  EXPECT_EQ(shown(), "01101");
  caption->SetState(osRollup);
  EXPECT_EQ(shown(), "10011");
  caption->SetState(osMinimized);
  EXPECT_EQ(shown(), "01000");
  frame.icons &= ~kbiMinimize;
  for (TSeObjectState s : {osNormal, osMaximized, osRollup, osMinimized}) {
    caption->SetState(s);
    EXPECT_FALSE(buttons[4]->Visible()) << int(s);
  }

  caption->SetState(osNormal);
  TSeSystemButton* max = buttons[0];
  max->MouseEnter();
  EXPECT_EQ(max->ButtonStateNow(), TSeSystemButton::bsHot);
  max->MouseDown(mbLeft, 1, 1);
  max->MouseLeave();
  max->MouseUp(mbLeft, 50, 50);
  EXPECT_TRUE(frame.calls.empty()) << "released outside after leaving";
  max->MouseEnter();
  max->MouseDown(mbLeft, 1, 1);
  max->MouseUp(mbRight, 1, 1);
  EXPECT_TRUE(frame.calls.empty()) << "only the left button counts";
  max->MouseUp(mbLeft, 1, 1);
  ASSERT_EQ(frame.calls.size(), 1u);
  EXPECT_EQ(frame.calls[0], "Maximize");
  EXPECT_EQ(max->ButtonStateNow(), TSeSystemButton::bsHot);
  EXPECT_GE(frame.repaints, 4);
}
