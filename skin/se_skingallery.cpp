#include "skin/se_skingallery.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <memory>

#include "platform/gui/Forms.h"
#include "platform/gui/Preview.h"
#include "skin/se_skinsource.h"

namespace {

// Draws a clone of a top-level object (or of one of its children) at a
// rectangle, in a state, with a text.
class Sheet {
 public:
  Sheet(TSeSkinSource& skin, TSeBitmap& surface) : skin_(skin), surface_(surface) {}

  TSeSkinObject* Draw(const std::string& top, const std::string& child, const TRect& r,
                      TSeObjectState state = osNormal, const QString& text = {}, bool active = true) {
    TSeSkinObject* found = skin_.GetObjectByName(top);
    if (found && !child.empty()) found = found->FindObjectByName(child);
    if (!found) return nullptr;
    clones_.push_back(CloneSkinObject(*found));
    TSeSkinObject* c = clones_.back().get();
    // Skinned controls lay their copy out from (0, 0): so does the sheet,
    // on a key-coloured piece that is then laid over the sheet.
    c->SetBoundsRect(Rect(0, 0, r.Width(), r.Height()));
    c->SetActive(active);
    c->SetState(state);
    c->SetText(text);
    if (!text.isEmpty())
      if (TSeSkinObject* title = c->FindObjectByKind(skTitle)) title->SetText(text);
    TSeBitmap piece;
    piece.SetSize(r.Width(), r.Height());
    piece.Clear(KeyColor);
    c->Draw(piece.Canvas());
    piece.DrawRect(surface_.Canvas(), r.Left, r.Top, Rect(0, 0, r.Width(), r.Height()), true);
    return c;
  }

 private:
  TSeSkinSource& skin_;
  TSeBitmap& surface_;
  std::vector<std::unique_ptr<TSeSkinObject>> clones_;
};

void DrawSheet(TSeSkinSource& skin, TSeBitmap& surface) {
  Sheet s(skin, surface);
  s.Draw("Form", "", Bounds(8, 8, 330, 230), osNormal, "Burner - " + QString::fromStdString(skin.SkinName));
  s.Draw("Form", "", Bounds(8, 246, 330, 80), osNormal, "Inactive window", false);
  s.Draw("ToolWindow", "", Bounds(8, 334, 200, 120), osNormal, "Tool window");
  s.Draw("ToolWindow", "", Bounds(216, 334, 122, 120), osNormal, "Inactive", false);

  // Inside the first window's client area.
  s.Draw("MenuBar", "Frame", Bounds(12, 34, 322, 21));
  int x = 14;
  for (const char* item : {"File", "Edit", "Tools"}) {
    s.Draw("MenuBar", "Item", Bounds(x, 35, 50, 19), x == 64 ? osHot : osNormal, item);
    x += 52;
  }
  s.Draw("ToolBar", "Frame", Bounds(12, 55, 322, 26));
  for (int i = 0; i < 4; ++i)
    s.Draw("SpeedButton", "Face", Bounds(16 + i * 25, 57, 23, 22), i == 1 ? osHot : i == 2 ? osPressed : osNormal);
  s.Draw("SpeedButton", "Chevron", Bounds(116, 57, 14, 22));
  const TSeObjectState states[] = {osNormal, osHot, osPressed, osFocused, osDisabled};
  const char* names[] = {"Normal", "Hot", "Pressed", "Focused", "Disabled"};
  for (int i = 0; i < 5; ++i) {
    s.Draw("Button", "Face", Bounds(16 + i * 63, 88, 60, 25), states[i]);
    s.Draw("Button", "Text", Bounds(16 + i * 63, 88, 60, 25), states[i], names[i]);
  }
  s.Draw("Edit", "Frame", Bounds(16, 120, 120, 21));
  s.Draw("Edit", "Text", Bounds(20, 120, 112, 21), osNormal, "An edit");
  s.Draw("Edit", "Frame", Bounds(144, 120, 120, 21), osFocused);
  s.Draw("ComboBox", "Frame", Bounds(16, 146, 120, 21));
  s.Draw("ComboBox", "Text", Bounds(20, 146, 96, 21), osNormal, "A choice");
  s.Draw("ComboBox", "Button", Bounds(119, 148, 15, 17));
  s.Draw("SpinButton", "Face", Bounds(144, 146, 15, 10));
  s.Draw("SpinButton", "Face", Bounds(144, 156, 15, 10), osPressed);
  int y = 172;
  for (const char* mark : {"Unchecked", "Checked", "Mixed"}) {
    s.Draw("CheckBox", mark, Bounds(16, y, 13, 13));
    s.Draw("CheckBox", "Text", Bounds(33, y - 2, 90, 16), osNormal, mark);
    y += 17;
  }
  s.Draw("RadioButton", "Unchecked", Bounds(130, 172, 13, 13));
  s.Draw("RadioButton", "Checked", Bounds(130, 189, 13, 13));
  s.Draw("ProgressBar", "Frame", Bounds(180, 172, 150, 16));
  s.Draw("ProgressBar", "BarHorz", Bounds(182, 174, 90, 12));
  s.Draw("TrackBar", "Track", Bounds(180, 200, 150, 4));
  s.Draw("TrackBar", "Highlight", Bounds(180, 200, 60, 4));
  s.Draw("TrackBar", "Thumb", Bounds(236, 192, 11, 19), osHot);
  s.Draw("Label", "", Bounds(16, 222, 150, 16), osNormal, "A label of the skin");

  // The second column: tabs, list, popup, scroll bar, status bar, hint.
  const int c = 350;
  s.Draw("Tabs", "Frame", Bounds(c, 30, 260, 110));
  for (int i = 0; i < 3; ++i) {
    const TSeObjectState st = i == 0 ? osPressed : i == 2 ? osHot : osNormal;
    s.Draw("Tabs", "Tab", Bounds(c + 2 + i * 64, i == 0 ? 8 : 11, 64, i == 0 ? 24 : 20), st);
    s.Draw("Tabs", "Text", Bounds(c + 2 + i * 64, i == 0 ? 8 : 11, 64, 20), st,
           QString("Page %1").arg(i + 1));
  }
  s.Draw("Tabs", "LeftButton", Bounds(c + 224, 12, 16, 16));
  s.Draw("Tabs", "RightButton", Bounds(c + 241, 12, 16, 16));
  s.Draw("GroupBox", "Frame", Bounds(c + 10, 50, 150, 80));
  s.Draw("GroupBox", "Caption", Bounds(c + 18, 42, 70, 16), osNormal, " Group ");
  s.Draw("ListBox", "Frame", Bounds(c, 150, 150, 90));
  const char* items[] = {"First item", "Selected", "Third", "Fourth"};
  for (int i = 0; i < 4; ++i)
    s.Draw("ListBox", "Item", Bounds(c + 2, 152 + i * 16, 130, 16), i == 1 ? osFocused : osNormal, items[i]);
  s.Draw("ScrollBar", "Frame", Bounds(c + 132, 152, 16, 86));
  s.Draw("ScrollBar", "TopButton", Bounds(c + 132, 152, 16, 16));
  s.Draw("ScrollBar", "Slider", Bounds(c + 132, 170, 16, 30), osHot);
  s.Draw("ScrollBar", "BottomButton", Bounds(c + 132, 222, 16, 16));
  s.Draw("PopupMenu", "Frame", Bounds(c + 160, 150, 150, 100));
  s.Draw("PopupMenu", "Item", Bounds(c + 163, 153, 144, 20), osNormal, "Open...");
  s.Draw("PopupMenu", "Item", Bounds(c + 163, 173, 144, 20), osHot, "Save");
  s.Draw("PopupMenu", "Separator", Bounds(c + 163, 195, 144, 4));
  s.Draw("PopupMenu", "Item", Bounds(c + 163, 201, 144, 20), osNormal, "Close");
  s.Draw("ControlBar", "Back", Bounds(c, 258, 300, 30));
  s.Draw("ControlBar", "Frame", Bounds(c + 2, 260, 140, 26));
  s.Draw("ControlBar", "Grabber", Bounds(c + 4, 262, 6, 22));
  s.Draw("StatusBar", "Frame", Bounds(c, 296, 300, 20));
  s.Draw("StatusBar", "Panel", Bounds(c + 2, 298, 140, 16), osNormal, "Ready");
  s.Draw("StatusBar", "Gripper", Bounds(c + 286, 302, 12, 12));
  s.Draw("Hint", "", Bounds(c, 326, 170, 22), osNormal, "A hint of the skin");
  s.Draw("ScrollBox", "Frame", Bounds(c, 356, 170, 60));
}

std::unique_ptr<TCustomForm> MakeSheet(const QString& file) {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Skin sheet");
  form->SetClientWidth(670);
  form->SetClientHeight(470);
  TSeSkinSource skin;
  skin.LoadFromFile(file.toStdString());
  TSeBitmap surface;
  surface.SetSize(670, 470);
  surface.Clear(0xFFD0D0D0u);
  DrawSheet(skin, surface);
  auto* picture = new QLabel(form.get());  // owned by the form
  picture->setGeometry(0, 0, 670, 470);
  picture->setPixmap(QPixmap::fromImage(surface.Image().copy()));
  return form;
}

}  // namespace

void RegisterSkinGalleryPreviews() {
  const QDir skins(QString::fromStdString(se::ProgramFolder()) + "Skins");
  for (const QString& file : skins.entryList({"*.mskn"}, QDir::Files, QDir::Name)) {
    const QString path = skins.filePath(file);
    RegisterPreviewWindow("skin-sheet-" + file.chopped(5), [path] { return MakeSheet(path); });
  }
  RegisterSkinWrapperGalleries();
}
