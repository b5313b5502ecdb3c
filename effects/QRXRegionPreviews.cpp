// Preview windows of regions and shaped forms.
#include "effects/QRXRegionPreviews.h"


#include "effects/QRXRegion.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Picture.h"
#include "platform/gui/Preview.h"
#include "platform/gui/StdCtrls.h"

namespace {

const char* const kShapeNames[] = {"Rect",        "RoundRect",   "Bitmap",     "NoseRect",          "RoundNoseRect",
                                   "Elliptic",    "Star",        "RoundShield", "SharpShield",      "Diamond",
                                   "Octagon",     "Comb",        "HalfRound",   "UserRegion",       "ThinkBubble",
                                   "RoundThinkBubble", "EllipticThinkBubble", "PointList"};

// Every region shape in a cell of its own: the region filled, its border in
// one of the styles, its name below.
std::unique_ptr<TCustomForm> MakeRegionGallery() {
  constexpr int kCellW = 150, kCellH = 120, kColumns = 6, kRows = 3;
  auto form = std::make_unique<TForm>();
  form->SetCaption("Region shapes");
  form->SetBounds(0, 0, kCellW * kColumns, kCellH * kRows);
  TBitmap page;
  page.SetSize(kCellW * kColumns, kCellH * kRows);
  TCanvas& c = page.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(Rect(0, 0, page.Width(), page.Height()));
  const TQRXRegionBorderStyle styles[] = {TQRXRegionBorderStyle::rbSingle, TQRXRegionBorderStyle::rbRaised,
                                          TQRXRegionBorderStyle::rbLowered, TQRXRegionBorderStyle::rbSingleRaised,
                                          TQRXRegionBorderStyle::rbRaisedpsb, TQRXRegionBorderStyle::rbLoweredpsb};
  for (int i = 0; i < 18; ++i) {
    // Each shape on a cell of its own: shields sit at (0, 0) and a half
    // round's ellipse reaches above its rectangle.
    TBitmap cell;
    cell.SetSize(kCellW, kCellH);
    TCanvas& cc = cell.Canvas();
    cc.Brush().SetColor(clWhite);
    cc.FillRect(Rect(0, 0, kCellW, kCellH));
    TQRXRegion region;
    region.SetShape(TQRXRegionShape(i));
    region.Border().SetStyle(styles[i % 6]);
    if (region.Shape() == TQRXRegionShape::rsPointList)
      for (const TPoint p : {TPoint{10, 50}, TPoint{60, 5}, TPoint{110, 40}, TPoint{90, 90}, TPoint{30, 85}})
        region.Points().AddPoint({p.X + 10, p.Y});
    if (region.Shape() == TQRXRegionShape::rsBitmap)
      region.Mask().SetRegionData(RegionToData(EllipseRegion(20, 10, 130, 95) - EllipseRegion(50, 30, 100, 75)));
    if (region.Shape() == TQRXRegionShape::rsUserRegion)
      region.StoreRegionData(QRegion(20, 10, 50, 40) + QRegion(60, 40, 60, 55));
    if (i % 4 == 1) {
      region.Shadow().SetStyle(i % 8 == 1 ? TQRXShadowStyle::hssSolid : TQRXShadowStyle::hssTracing);
      region.Shadow().SetDepth(5);
    }
    const bool atOrigin = region.Shape() == TQRXRegionShape::rsRoundShield ||
                          region.Shape() == TQRXRegionShape::rsSharpShield;
    const TRect r = atOrigin ? Rect(0, 0, kCellW - 30, kCellH - 30) : Rect(15, 8, kCellW - 15, kCellH - 24);
    region.UpdateRegion(r);
    const QRegion clip = region.RegionHandle();
    cc.SelectClipRgn(&clip);
    cc.Brush().SetColor(clBtnFace);
    cc.FillRect(Rect(0, 0, kCellW, kCellH));
    cc.SelectClipRgn(nullptr);
    region.PaintBorder(cc, r);
    cc.SelectClipRgn(nullptr);
    cc.Brush().SetStyle(bsClear);
    cc.Font().SetColor(clBlack);
    cc.TextOut(8, kCellH - 18, kShapeNames[i]);
    c.Draw((i % kColumns) * kCellW, (i / kColumns) * kCellH, cell);
  }
  TImage* image = Create<TImage>(form.get());
  image->SetParent(form.get());
  image->SetAlign(alClient);
  TPicture picture;
  picture.SetGraphic(&page);
  image->SetPicture(picture);
  return form;
}

// A frameless form shaped as a speech bubble with a drop shadow.
std::unique_ptr<TCustomForm> MakeShapedForm() {
  auto form = std::make_unique<TForm>();
  form->SetBorderStyle(bsNone);
  form->SetColor(clInfoBk);
  form->SetBounds(0, 0, 320, 200);
  TQRXFormShape* shape = Create<TQRXFormShape>(form.get());
  form->BeginLoading();
  shape->Region().SetShape(TQRXRegionShape::rsRoundNoseRect);
  shape->Region().SetExtPos(TQRXExtPos::epBottomLeft);
  shape->Region().Border().SetStyle(TQRXRegionBorderStyle::rbRaisedpsb);
  shape->Region().Shadow().SetStyle(TQRXShadowStyle::hssSolid);
  shape->Region().Shadow().SetDepth(6);
  TLabel* label = Create<TLabel>(form.get());
  label->SetParent(form.get());
  label->SetBounds(40, 60, 240, 20);
  label->SetCaption("Drag me by any empty point");
  form->EndLoading();
  return form;
}

}  // namespace

std::unique_ptr<TCustomForm> MakeRegionPreview(const QString& name) {
  if (name == "effects-region-shapes") return MakeRegionGallery();
  if (name == "effects-shaped-form") return MakeShapedForm();
  return nullptr;
}

void RegisterRegionPreviewWindows() {
  for (const char* name : {"effects-region-shapes", "effects-shaped-form"})
    RegisterPreviewWindow(name, [name] { return MakeRegionPreview(name); });
}
