// The class library's own test windows for gui-preview and
// scripts/screenshot.

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiPreviews.h"
#include "platform/gui/Preview.h"
#include "platform/gui/Tray.h"

namespace {

// A control that paints with the canvas: a framed panel with a caption.
class SamplePanel : public TCustomControl {
 public:
  explicit SamplePanel(TComponent* owner) : TCustomControl(owner) {}

 protected:
  void Paint() override {
    TCanvas& c = *Canvas();
    const TRect r = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(r);
    c.Pen().SetColor(clGray);
    c.Brush().SetStyle(bsClear);
    c.Rectangle(r);
    c.Font().SetColor(clNavy);
    c.TextOut(8, (Height() - c.TextHeight(Caption())) / 2, Caption());
  }
};

std::unique_ptr<TCustomForm> MakeTestForm(TFormBorderStyle border) {
  auto form = CreateUnique<TForm>();
  form->SetCaption("Class library test window");
  form->SetBorderStyle(border);
  form->SetBounds(0, 0, 360, 220);
  form->SetColor(clBtnFace);
  form->Font()->SetName("Tahoma");
  const struct {
    TAlign align;
    int size;
    TColor color;
    const char* text;
  } parts[] = {
      {alTop, 40, RGB(0x7A, 0x96, 0xDF), "Top bar (alTop)"},
      {alBottom, 30, clSilver, "Status (alBottom)"},
      {alLeft, 110, clWhite, "Tree (alLeft)"},
      {alClient, 0, clCream, "Files (alClient)"},
  };
  for (const auto& p : parts) {
    auto* panel = Create<SamplePanel>(form.get());
    panel->SetParent(form.get());
    if (p.align == alTop || p.align == alBottom) panel->SetHeight(p.size);
    if (p.align == alLeft) panel->SetWidth(p.size);
    panel->SetAlign(p.align);
    panel->SetColor(p.color);
    panel->SetCaption(p.text);
  }
  return form;
}

}  // namespace

void RegisterGuiPreviewWindows() {
  RegisterPreviewWindow("test-form", [] { return MakeTestForm(bsSizeable); });
  RegisterPreviewWindow("test-form-frameless", [] { return MakeTestForm(bsNone); });
}
