#include "app/start.h"

#include "app/AppGlobals.h"
#include "app/StartArtwork.h"
#include "app/Unit1.h"
#include "effects/QRXPanels.h"
#include "effects/QRXShapeButton.h"
#include "effects/QRXTrayIcon.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "shell/EwFileExplorer28List.h"

namespace {

QStringList& CommandLine() {
  static QStringList arguments;
  return arguments;
}

constexpr int kWidth = 573, kHeight = 473, kBarHeight = 50;
constexpr TColor kFillColour = 14653050;    // the page's blue-grey
constexpr TColor kBevelColour = 33023;      // orange edge of the buttons
constexpr TColor kFaceColour = 0xF7F9FC;    // the launcher buttons' face
constexpr TColor kShadowColour = 0x7A4A33;  // their shadow on the page
constexpr TColor kCaptionColour = 0x602814;

QColor ToQColor(TColor c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

TBitmap ToBitmap(const QImage& image) {
  TBitmap bitmap;
  bitmap.AssignQImage(image.convertToFormat(QImage::Format_RGB32));
  return bitmap;
}

}  // namespace

void OpenHelpFile() { Shell().Open(AppStrings().HelpFile()); }

TStartForm::TStartForm(TComponent* owner) : TForm(owner) {}
TStartForm::~TStartForm() = default;

void TStartForm::SetCommandLine(const QStringList& arguments) { CommandLine() = arguments; }

void TStartForm::BuildLayout() {
  SetBorderStyle(bsNone);
  SetClientWidth(kWidth);
  SetClientHeight(kHeight);
  SetPosition(poScreenCenter);
  SetColor(clBlack);

  QRXFill1 = Create<TQRXFill>(this);
  QRXFill1->SetParent(this);
  QRXFill1->SetBounds(0, kBarHeight, kWidth, kHeight - 2 * kBarHeight);
  TQRXFillObject& fill = QRXFill1->FillObject();
  fill.Brush().SetColor(kFillColour);
  fill.Gradient().SetColor(clRed);
  fill.Gradient().SetEndColor(clBlue);
  fill.Gradient().SetColorCount(50);
  fill.SetStyle(TQRXFillStyle::sfBrush);

  const QImage title_bar = TitleBar(kWidth, kBarHeight);
  auto bar = [this](int top, const QImage& picture) {
    auto* image = Create<TQRXNImage>(this);
    image->SetParent(this);
    image->SetBounds(0, top, kWidth, kBarHeight);
    image->SetBitmap(ToBitmap(picture));
    image->TransparentStyle().SetColor(clWhite);
    image->TransparentStyle().SetMode(TQRXTransparentMode::tpTransparentColor);
    return image;
  };
  QRXNImage1 = bar(0, title_bar);
  QRXNImage2 = bar(kHeight - kBarHeight, LinkBar(kWidth, kBarHeight));

  auto border = [this](int left) {
    auto* panel = Create<TPanel>(this);
    panel->SetParent(this);
    panel->SetBounds(left, kBarHeight, 1, kHeight - 2 * kBarHeight);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clBlack);
    return panel;
  };
  Panel1 = border(0);
  Panel2 = border(kWidth - 1);

  Image2 = Create<TImage>(this);
  Image2->SetParent(this);
  Image2->SetBounds(9, 9, 32, 32);
  Image2->Picture()->Bitmap().Assign(ToBitmap(ProductIcon(title_bar.copy(9, 9, 32, 32))));

  labTitle = Create<TQRXSimpleLabel>(this);
  labTitle->SetParent(this);
  labTitle->SetBounds(50, 10, 370, 30);
  // Impact where the machine has it; the font table gives a bold sans
  // face in its place everywhere else.
  labTitle->Font()->SetName("Impact");
  labTitle->Font()->SetHeight(-21);
  labTitle->Font()->SetColor(clWhite);
  labTitle->Font3D().SetStyle(TQRXThreeDStyle::tdSunken);
  labTitle->Font3D().SetShadowColor(0x401808);
  labTitle->Font3D().SetLightColor(0xC08060);

  auto label = [this](int x, int y, int w, TColor colour) {
    auto* l = Create<TLabel>(this);
    l->SetParent(this);
    l->SetBounds(x, y, w, 16);
    l->SetTransparent(true);
    l->Font()->SetName("Tahoma");
    l->Font()->SetColor(colour);
    return l;
  };
  labVersion = label(424, 27, 60, 0xF0D8C8);
  labVersion->Font()->SetStyle(TFontStyles(fsBold));
  labSite = label(14, kHeight - kBarHeight + 10, 300, clBlue);
  labSite->Font()->SetStyle(TFontStyles(fsUnderline));
  labSite->SetCursor(crHandPoint);
  labCompany = label(14, kHeight - kBarHeight + 28, 300, 0x604020);
  labCompany->SetCursor(crHandPoint);
  labSite->OnClick = [](TControl*) { Shell().Open(AppStrings().ProductURL); };
  labCompany->OnClick = [](TControl*) { Shell().Open(AppStrings().CompanyURL); };

  auto button = [this](int x, int y, const QString& caption, TLaunchGlyph glyph, std::function<void()> action) {
    auto* b = Create<TQRXShapeButton>(this);
    b->SetParent(this);
    b->SetBounds(x, y, 190, 53);
    b->Shape().SetShape(TQRXShapeType::stRoundRect);
    b->Shape().Bevel().SetColor(kBevelColour);
    b->Shape().Bevel().SetWidth(0);
    b->Shape().Shadow().SetDepth(3);
    b->Shape().Shadow().SetColor(kShadowColour);
    // One face colour in every state: the face sinks into its shadow when
    // pressed, and hovering needs no repaint.
    for (int state = 0; state < 5; ++state) b->Colors().SetColor(state, kFaceColour);
    b->SetAllowMouseOver(true);
    b->SetAllowTransparency(true);
    b->SetTransparent(true);
    const TBitmap picture = ToBitmap(LaunchGlyph(glyph, 32, ToQColor(kFaceColour)));
    b->SetGlyph(&picture);
    b->ButtonLayout().SetAlignment(TQRXAlignment::agCenterLeft);
    b->ButtonLayout().SetOffsetX(14);
    b->ButtonLayout().SetSpacing(10);
    b->Font()->SetName("Tahoma");
    b->Font()->SetHeight(-14);
    b->Font()->SetStyle(TFontStyles(fsBold));
    b->Font()->SetColor(kCaptionColour);
    b->SetCaption(caption);
    b->SetCursor(crHandPoint);
    b->OnClick = [action](TControl*) { action(); };
    return b;
  };
  using enum TLaunchGlyph;
  btnBurn = button(63, 72, "&Data CD/DVD", Data, [this] { btnBurnClick(); });
  btnAudioCD = button(63, 142, "&Audio CD", Audio, [this] { OpenAudio ? OpenAudio() : NotBuilt("The audio CD window"); });
  btnMP3CD = button(63, 212, "&MP3 CD/DVD", Mp3, [this] { btnMP3CDClick(); });
  btnClone = button(63, 282, "&Copy CD/DVD", Copy, [this] { OpenClone ? OpenClone() : NotBuilt("Disc copy"); });
  btnISO = button(63, 352, "&ISO Image", Iso, [this] { btnISOClick(); });
  btnBackup = button(328, 72, "&Backup", Backup, [this] { OpenBackup ? OpenBackup() : NotBuilt("The backup scheduler"); });
  btnEraser = button(328, 142, "&Erase Disc", Erase, [this] { OpenEraser ? OpenEraser() : NotBuilt("The erase window"); });
  btnOption = button(328, 212, "&Options", Options, [this] { btnOptionClick(); });
  btnHelp = button(328, 282, "&Help", Help, [] { OpenHelpFile(); });

  auto small = [this, &title_bar](int x, bool close, std::function<void()> action) {
    auto* b = Create<TSpeedButton>(this);
    b->SetParent(this);
    b->SetBounds(x, 4, 23, 22);
    b->SetFlat(true);
    b->SetGlyph(ToBitmap(WindowGlyph(close, 12, title_bar.pixelColor(x, 15))));
    b->OnClick = [action](TControl*) { action(); };
    return b;
  };
  btnMin = small(kWidth - 53, false, [] { Application().Minimize(); });
  btnClose = small(kWidth - 28, true, [this] { btnCloseClick(); });

  for (TControl* c : std::initializer_list<TControl*>{QRXFill1, QRXNImage1, QRXNImage2, Image2, labVersion,
                                                      labCompany, labTitle}) {
    c->OnMouseDown = [this](TControl*, TMouseButton, TShiftState, int x, int y) {
      DragFlag = true;
      DragStartX = x;
      DragStartY = y;
    };
    c->OnMouseMove = [this](TControl*, TShiftState shift, int x, int y) {
      if (!(shift & ssLeft) || !DragFlag) return;
      SetBounds(Left() + x - DragStartX, Top() + y - DragStartY, Width(), Height());
    };
  }

  Timer1 = Create<TTimer>(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(2000);
  Timer1->OnTimer = [this](TTimer* t) {
    t->SetEnabled(false);
    if (CheckLatestVersion) CheckLatestVersion();
  };
  BuildTray();
}

void TStartForm::BuildTray() {
  PopupMenu1 = Create<TPopupMenu>(this);
  auto item = [this](const QString& caption, std::function<void()> action) {
    TMenuItem* i = NewItem(this, caption, 0, [action](TComponent*) {
      if (action) action();
    });
    PopupMenu1->Items()->Add(i);
  };
  item("&Main Window", [this] { Show(); });
  item("&Schedule List", [this] {
    if (OpenBackup) OpenBackup();
  });
  item("-", {});
  item("&Options", [this] { btnOptionClick(); });
  item("-", {});
  item("&Exit", [this] { CloseProgram(); });

  TrayIcon = Create<TQRXTrayIcon>(this);
  // Inactive as designed: the icon shows only once something activates it.
  TrayIcon->SetActive(false);
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  TrayIcon->Icon().SetImage(ProductIcon(icon));
  TrayIcon->SetPopupMenu(PopupMenu1);
  TrayIcon->OnDblClick = [this](TComponent*) {
    if (OpenBackup) OpenBackup();
  };
}

void TStartForm::DoCreate() {
  AppForms().StartForm = this;
  SetProgramStrings(Application().ExeName());
  const TAppStrings& s = AppStrings();
  Application().SetTitle(s.ProductName);
  SetCaption(s.ProductName);
  BuildLayout();
  labTitle->SetCaption(s.ProductName);
  labVersion->SetCaption("V" + s.ProductVersion);
  labSite->SetCaption(s.ProductURL);
  labCompany->SetCaption("Powered by " + s.CompanyName);
  const QStringList& args = CommandLine();
  TrayIcon->SetHint(s.ProductName);
  if (!args.isEmpty() && args.first() == "-Schedule") TrayIcon->SetActive(true);
  TForm::DoCreate();
}

void TStartForm::DoShow() {
  if (CheckLatestVersion) Timer1->SetEnabled(true);
  TForm::DoShow();
}

void TStartForm::SetTrayHint(const QString& hint) { TrayIcon->SetHint(hint); }

void TStartForm::NotBuilt(const QString& what) {
  MessageBox(what + " is not part of this build yet.", "Information", MB_OK | MB_ICONINFORMATION);
}

void TStartForm::OpenDataWindow(const QString& caption_suffix, const QString& mask, bool iso) {
  TForm1* form = AppForms().Form1;
  if (!form) return;
  Hide();
  const TAppStrings& s = AppStrings();
  if (!caption_suffix.isEmpty()) form->SetCaption(s.ProductName + " V" + s.ProductVersion + caption_suffix);
  form->lbFiles->SetMask(mask);
  form->tbBurn->SetVisible(!iso);
  form->tbISO->SetVisible(iso);
  auto* tools = iso ? form->tbISO : form->tbBurn;
  tools->SetLeft(form->tbDrive->Left() + form->tbDrive->Width());
  form->tbHelp->SetLeft(tools->Left() + tools->Width());
  form->Show();
  form->btnNewClick();
}

void TStartForm::btnBurnClick() { OpenDataWindow(" - Burn Data CD/DVD", "*.*", false); }
void TStartForm::btnMP3CDClick() { OpenDataWindow(" - Burn MP3 Data CD/DVD", "*.mp3", false); }
void TStartForm::btnISOClick() { OpenDataWindow("", "*.*", true); }

void TStartForm::btnOptionClick() {
  if (AppForms().Form1 && AppForms().Form1->ShowOptions) AppForms().Form1->ShowOptions();
}

void TStartForm::btnCloseClick() {
  if (ScheduledTaskCount() > 0) {
    TrayIcon->SetActive(true);
    Hide();
    return;
  }
  CloseProgram();
}

void TStartForm::CloseProgram() {
  try {
    if (AppForms().Form1) AppForms().Form1->Close();
    Close();
  } catch (...) {
  }
}
