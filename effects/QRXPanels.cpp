#include "effects/QRXPanels.h"

#include "effects/QRXClass.h"
#include "effects/QRXDraw.h"
#include "effects/QRXText.h"
#include "effects/QRXUtils.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Shell.h"

// --- TQRXFill ---

TQRXFill::TQRXFill(TComponent* owner)
    : TQRXGraphicControl(owner),
      caption_(std::make_unique<TQRXCaption>()),
      fill_(std::make_unique<TQRXFillObject>()) {
  caption_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
  fill_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXFill::~TQRXFill() {
  caption_->OnChange = nullptr;
  fill_->OnChange = nullptr;
}

void TQRXFill::GetChange(TQRXObject* sender) {
  if (sender == fill_.get()) SetTransparent(fill_->IsTransparent());
  RepaintControl();
}

bool TQRXFill::IsBlank() const {
  return fill_->IsEmpty() && BevelExtent() == 0 && caption_->Caption().isEmpty();
}

void TQRXFill::ImageListChanged(TComponent* sender) {
  if (ImageList() && ImageList()->IsValid(ListIndex(), ImageIndex())) {
    ImageList()->GetBitmap(ListIndex(), ImageIndex(), fill_->ListBitmap());
  } else {
    fill_->SetListBitmap(TBitmap());
  }
  TQRXGraphicControl::ImageListChanged(sender);
}

TQRXPaletteHandle TQRXFill::GetPalette() const { return Transparent() ? nullptr : fill_->GetPalette(); }

void TQRXFill::Paint() {
  if (Loading()) return;
  if (IsBlank()) {
    TQRXGraphicControl::Paint();
    return;
  }
  TCanvas& canvas = *Canvas();
  TRect inner;
  Bevel().PaintBevel(canvas, ClientRect(), inner, Transparent());
  const std::uint32_t offset = PackClipOffset(Left(), Top());
  fill_->FillRect(canvas, inner, offset, Color());
  caption_->DrawCaption(canvas, caption_->Caption(), inner,
                        kQRXTextClip | (Enabled() ? kQRXTextEnabled : 0x0001), canvas.Brush().Color(),
                        offset);
}

// --- TQRXBaseLabel ---

TQRXBaseLabel::TQRXBaseLabel(TComponent* owner) : TQRXBaseGraphicControl(owner) {}

TQRXBaseLabel::~TQRXBaseLabel() {
  if (timer_ != 0) QRXApplication().ReleaseTimer(timer_);
}

void TQRXBaseLabel::SetAlignment(TQRXAlignment v) {
  if (alignment_ == v) return;
  alignment_ = v;
  GetChange(nullptr);
}

void TQRXBaseLabel::SetOptions(TQRXLabelOptions v) {
  if (options_ == v) return;
  options_ = v;
  GetChange(nullptr);
}

void TQRXBaseLabel::SetFlag(int index, bool v) {
  if (flags_[index] == v) return;
  flags_[index] = v;
  switch (index) {
    case 0:
      AdjustBounds();
      break;
    case 1:
      GetChange(nullptr);
      break;
    case 2:
      RepaintControl();
      break;
    case 3:
      if (v) {
        timer_ = QRXApplication().AllocTimer(std::uint16_t(twinkle_visible_),
                                             [this](TComponent*) { TwinkleTick(); });
        if (TQRXTimerItem* item = QRXApplication().GetTimerItem(timer_)) item->SetEnabled(true);
      } else {
        QRXApplication().ReleaseTimer(timer_);
        timer_ = 0;
        shown_ = true;
        RepaintControl();
      }
      break;
  }
}

void TQRXBaseLabel::TwinkleTick() {
  shown_ = !shown_;
  if (TQRXTimerItem* item = QRXApplication().GetTimerItem(timer_))
    item->SetInterval(std::uint16_t(shown_ ? twinkle_visible_ : twinkle_invisible_));
  RepaintControl();
}

void TQRXBaseLabel::SetFocusControl(TWinControl* v) {
  if (focus_control_ == v) return;
  if (focus_control_) RemoveFreeNotification(focus_control_);
  focus_control_ = v;
  if (v) FreeNotification(v);
}

void TQRXBaseLabel::Notification(TComponent* component, TOperation operation) {
  TQRXBaseGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TQRXBaseLabel::GetChange(TQRXObject*) {
  AdjustBounds();
  RepaintControl();
}

bool TQRXBaseLabel::IsBlank() const { return Transparent() && Text().isEmpty(); }

void TQRXBaseLabel::TextChanged() {
  AdjustBounds();
  RepaintControl();
}

// --- TQRXCustomSimpleLabel ---

TQRXCustomSimpleLabel::TQRXCustomSimpleLabel(TComponent* owner)
    : TQRXBaseLabel(owner), font3d_(std::make_unique<TQRX3DCaption>()) {
  font3d_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXCustomSimpleLabel::~TQRXCustomSimpleLabel() { font3d_->OnChange = nullptr; }

unsigned TQRXCustomSimpleLabel::TextFormat() const {
  unsigned f = 0;
  if (Options() & (1u << unsigned(TQRXLabelOption::loPathEllipsis))) f |= DT_PATH_ELLIPSIS;
  if (Options() & (1u << unsigned(TQRXLabelOption::loEndEllipsis))) f |= DT_END_ELLIPSIS;
  if (Options() & (1u << unsigned(TQRXLabelOption::loEditControl))) f |= DT_EDITCONTROL;
  return f;
}

void TQRXCustomSimpleLabel::AdjustBounds() {
  if (!AutoSize() || Loading()) return;
  TRect r = ClientRect();
  MeasureTextTemp(Caption(), font3d_.get(), r, *Font(), MultiLine(), ShowAccelChar(), 0, TextFormat());
  SetBounds(Left(), Top(), r.Right, r.Bottom);
}

void TQRXCustomSimpleLabel::Paint() {
  if (painting_ || Loading()) return;
  painting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{painting_};
  TCanvas& canvas = *Canvas();
  if (IsBlank()) {
    if (Designing()) TQRXBaseLabel::Paint();
    return;
  }
  TRect r = ClientRect();
  if (!Transparent()) {
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
  }
  unsigned format = 0;
  const bool lower = Alignment() >= TQRXAlignment::agCenterLeft;
  if (MultiLine() && lower)
    r = CalcAlignedTextRect(Alignment(), Caption(), font3d_.get(), r, *Font(), true, ShowAccelChar(),
                            TextFormat());
  if (!MultiLine()) format |= DT_SINGLELINE;
  format |= TextFormat() | AlignmentTextFlags(Alignment()) | DT_EXPANDTABS | DT_WORDBREAK;
  if (!ShowAccelChar()) format |= DT_NOPREFIX;
  canvas.Brush().SetColor(Color());
  canvas.SetFont(*Font());
  const unsigned flags = Enabled() ? kQRXTextEnabled : 0x0001;
  if (TwinkleShown()) {
    Draw3DText(canvas, Caption(), font3d_.get(), r, format, flags);
  } else if (TwinkleColor() != clNone) {
    canvas.Font().SetColor(TwinkleColor());
    Draw3DText(canvas, Caption(), font3d_.get(), r, format, flags);
  }
}

void TQRXCustomSimpleLabel::FontChanged() {
  if (!Loading() && ParentFont()) SetParentFont(false);
  GetChange(nullptr);
}

void TQRXCustomSimpleLabel::SetJumpMode(TQRXJumpModes v) {
  jump_mode_ = v;
  if (Loading() && v == TQRXJumpModes::jmNone) return;
  TFont font = *Font();
  if (v == TQRXJumpModes::jmNone) {
    if (!Designing()) SetCursor(crDefault);
    font.SetColor(clBlack);
    if (jump_underline_) font.SetStyle(font.Style() & ~fsUnderline);
  } else {
    font.SetColor(inactive_color_);
    if (jump_underline_) font.SetStyle(font.Style() | fsUnderline);
    if (!Designing()) SetCursor(crHandPoint);
  }
  SetFont(font);
}

void TQRXCustomSimpleLabel::SetJumpUnderline(bool v) {
  jump_underline_ = v;
  if (use_as_jump_) {
    TFont font = *Font();
    font.SetStyle(font.Style() | fsUnderline);
    SetFont(font);
  }
}

void TQRXCustomSimpleLabel::SetJumpColor(int index, TColor v) {
  (index == 0 ? active_color_ : inactive_color_) = v;
  if (index == 1 && use_as_jump_) {
    TFont font = *Font();
    font.SetColor(v);
    SetFont(font);
  }
}

void TQRXCustomSimpleLabel::Loaded() {
  TQRXBaseLabel::Loaded();
  if (use_as_jump_) jump_mode_ = TQRXJumpModes::jmInternet;
  AdjustBounds();
}

void TQRXCustomSimpleLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && jump_mode_ != TQRXJumpModes::jmNone) {
    TFont font = *Font();
    font.SetColor(active_color_);
    SetFont(font);
  }
  TQRXBaseLabel::MouseDown(button, shift, x, y);
}

void TQRXCustomSimpleLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && use_as_jump_) {
    TFont font = *Font();
    font.SetColor(inactive_color_);
    SetFont(font);
  }
  TQRXBaseLabel::MouseUp(button, shift, x, y);
}

void TQRXCustomSimpleLabel::Click() {
  if (jump_mode_ != TQRXJumpModes::jmInternet && jump_mode_ != TQRXJumpModes::jmApplication) {
    TQRXBaseLabel::Click();
    return;
  }
  QString target = jump_.trimmed();
  if (target.isEmpty()) {
    target = Caption();
    if (jump_mode_ == TQRXJumpModes::jmInternet && target.contains('@')) target = "mailto:" + target;
  }
  const bool opened = Shell().Open(target);
  if (!opened && jump_mode_ == TQRXJumpModes::jmInternet) {
    jump_mode_ = TQRXJumpModes::jmNone;
    SetEnabled(false);
  }
}

// --- TQRXTransparent ---

void TQRXTransparent::SetColor(TColor v) {
  if (color_ == v) return;
  color_ = v;
  Change();
}

void TQRXTransparent::SetMode(TQRXTransparentMode v) {
  if (mode_ == v) return;
  mode_ = v;
  Change();
}

void TQRXTransparent::Assign(const TQRXObject* source) {
  const auto* other = dynamic_cast<const TQRXTransparent*>(source);
  if (!other) return TQRXObject::Assign(source);
  color_ = other->color_;
  mode_ = other->mode_;
  Change();
}

// --- TQRXBaseImage ---

void TQRXBaseImage::SetQuickDraw(bool v) {
  if (quick_draw_ == v) return;
  quick_draw_ = v;
  RepaintControl();
}

void TQRXBaseImage::SetStyle(TQRXBitmapStyle v) {
  if (style_ == v) return;
  style_ = v;
  RepaintControl();
}

// --- TQRXCustomNImage ---

TQRXCustomNImage::TQRXCustomNImage(TComponent* owner)
    : TQRXBaseImage(owner),
      bitmap_(std::make_unique<TBitmap>()),
      transparent_style_(std::make_unique<TQRXTransparent>()) {
  bitmap_->OnChange = [this](TGraphic*) { GetChange(nullptr); };
  transparent_style_->OnChange = [this](TQRXObject* sender) { GetChange(sender); };
}

TQRXCustomNImage::~TQRXCustomNImage() {
  bitmap_->OnChange = nullptr;
  transparent_style_->OnChange = nullptr;
}

void TQRXCustomNImage::SetControl(TQRXCustomNImage* v) {
  if (v == this || v == control_) return;
  if (control_) RemoveFreeNotification(control_);
  control_ = v;
  if (v) FreeNotification(v);
  RepaintControl();
}

void TQRXCustomNImage::Notification(TComponent* component, TOperation operation) {
  TQRXBaseImage::Notification(component, operation);
  if (operation == TOperation::opRemove && component == control_) {
    control_ = nullptr;
    RepaintControl();
  }
}

TBitmap& TQRXCustomNImage::GetBitmap() { return control_ ? control_->Bitmap() : *bitmap_; }

bool TQRXCustomNImage::IsBlank() const { return (control_ ? control_->bitmap_->Empty() : bitmap_->Empty()); }

bool TQRXCustomNImage::AdjustBounds() {
  if (Style() != TQRXBitmapStyle::sbAutosize) return false;
  TBitmap& b = GetBitmap();
  const int e2 = BevelExtent2();
  const int w = (b.Empty() ? 20 : b.Width()) + e2, h = (b.Empty() ? 20 : b.Height()) + e2;
  if (w == Width() && h == Height()) return false;
  SetBounds(Left(), Top(), w, h);
  return true;
}

void TQRXCustomNImage::Paint() {
  using enum TQRXBitmapStyle;
  if (Loading() || AdjustBounds()) return;
  TCanvas& canvas = *Canvas();
  if (!Transparent()) {
    canvas.Brush().SetBitmap(nullptr);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
  } else if (IsBlank() && BevelExtent() == 0) {
    TQRXBaseImage::Paint();
    return;
  }
  TRect r;
  Bevel().PaintBevel(canvas, ClientRect(), r, Transparent());
  if (IsBlank()) return;
  TBitmap& source = GetBitmap();
  unsigned flags = 0;
  TColor color = clNone;
  switch (transparent_style_->Mode()) {
    case TQRXTransparentMode::tpNone:
      break;
    case TQRXTransparentMode::tpRestoreBack:
      flags = kQRXDrawMaskColor;
      color = source.TransparentColor();
      break;
    case TQRXTransparentMode::tpTransparentColor:
      flags = kQRXDrawBrushCopy;
      color = transparent_style_->Color();
      break;
    case TQRXTransparentMode::tpRBTranspColor:
      flags = kQRXDrawMaskColor;
      color = transparent_style_->Color();
      break;
  }
  switch (Style()) {
    case sbNone:
    case sbAutosize:
      flags |= kQRXDrawClip;
      break;
    case sbCenter:
      flags |= kQRXDrawClip | kQRXDrawCenter;
      break;
    case sbStretch:
      flags |= kQRXDrawStretch;
      break;
    case sbTile:
      flags |= kQRXDrawClip | kQRXDrawTile;
      break;
    case sbKeepAspRatio:
      flags |= kQRXDrawFit | kQRXDrawStretch;
      break;
    case sbKeepWidth:
      flags |= kQRXDrawKeepHeight | kQRXDrawStretch | kQRXDrawClip;
      break;
    case sbKeepHeight:
      flags |= kQRXDrawKeepWidth | kQRXDrawStretch | kQRXDrawClip;
      break;
  }
  if (BevelExtent() == 0) flags ^= kQRXDrawClip;
  try {
    TBitmap work;
    work.Assign(source);
    work.SetTransparentColor(source.TransparentColor());
    work.SetPixelFormat(pf24bit);
    BackFX().Apply(work);
    DrawBitmapPalette(canvas, r, work, flags, PackClipOffset(Left(), Top()), color);
  } catch (const std::exception&) {
    // A picture that cannot be processed leaves the control as painted.
  }
}
