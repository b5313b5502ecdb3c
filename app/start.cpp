#include "app/start.h"

#include <QMenu>
#include <QPainter>

#include "app/AppGlobals.h"
#include "app/Unit1.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timer.h"
#include "platform/gui/Tray.h"
#include "platform/gui/TreeView.h"
#include "shell/EwFileExplorer28List.h"

namespace {

QStringList& CommandLine() {
  static QStringList arguments;
  return arguments;
}

constexpr TColor kFillColour = 14653050;   // the page's blue-grey
constexpr TColor kBevelColour = 33023;     // orange edge of the buttons
constexpr int kShadowDepth = 3;

// The start page's pictures, drawn here: a disc for the product icon and
// the bars at the top and bottom.
QImage DiscIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(size * 0.4, size * 0.4, size / 2.0);
  g.setColorAt(0, QColor(230, 240, 255));
  g.setColorAt(0.6, QColor(150, 180, 230));
  g.setColorAt(1, QColor(90, 110, 190));
  p.setBrush(g);
  p.setPen(QColor(40, 50, 110));
  p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(size * 0.4, size * 0.4, size * 0.2, size * 0.2));
  return image;
}

QImage Bar(int width, int height, bool top) {
  QImage image(width, height, QImage::Format_ARGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, height);
  g.setColorAt(top ? 0 : 1, QColor(36, 52, 120));
  g.setColorAt(top ? 1 : 0, QColor(122, 150, 223));
  p.fillRect(image.rect(), g);
  return image;
}

void SetPicture(TImage* image, const QImage& picture) {
  TBitmap& bitmap = image->Picture()->Bitmap();
  bitmap.SetSize(picture.width(), picture.height());
  QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = rgb.pixel(x, y);
      bitmap.Canvas().SetPixel(x, y, static_cast<TColor>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16));
    }
}

}  // namespace

// A large round-rectangle launcher button with a shadow, an edge colour and
// a lighter face while the mouse is over it.
class TLaunchButton : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  bool Hot = false;
  bool Round = true;

 protected:
  void MouseEnter() override {
    Hot = true;
    Invalidate();
    TGraphicControl::MouseEnter();
  }
  void MouseLeave() override {
    Hot = false;
    Invalidate();
    TGraphicControl::MouseLeave();
  }
  void Paint() override {
    TCanvas& c = *Canvas();
    const int w = Width(), h = Height();
    const int depth = Round ? kShadowDepth : 0;
    c.Pen().SetColor(clGray);
    c.Brush().SetColor(clGray);
    if (depth) c.RoundRect(depth, depth, w, h, 16, 16);
    c.Pen().SetColor(kBevelColour);
    c.Brush().SetColor(Hot ? TColor(0xFFF4E8) : TColor(0xF8E0C8));
    if (Round)
      c.RoundRect(0, 0, w - depth, h - depth, 16, 16);
    else
      c.Rectangle(0, 0, w, h);
    c.Brush().SetStyle(bsClear);
    c.Font().SetColor(Hot ? TColor(0x0060C0) : TColor(0x602010));
    c.Font().SetSize(Round ? 11 : 9);
    c.Font().SetStyle(Round ? TFontStyles(fsBold) : TFontStyles(0));
    TRect r{0, 0, w - depth, h - depth};
    DrawText(c, Caption(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
};

void OpenHelpFile() { Shell().Open(AppStrings().HelpFile()); }

TStartForm::TStartForm(TComponent* owner) : TForm(owner) {}
TStartForm::~TStartForm() = default;

void TStartForm::SetCommandLine(const QStringList& arguments) { CommandLine() = arguments; }

void TStartForm::BuildLayout() {
  SetBorderStyle(bsNone);
  SetClientWidth(573);
  SetClientHeight(473);
  SetPosition(poScreenCenter);

  QRXFill1 = Create<TPanel>(this);
  QRXFill1->SetParent(this);
  QRXFill1->SetBounds(0, 50, 573, 373);
  QRXFill1->SetBevelOuter(bvNone);
  QRXFill1->SetColor(kFillColour);
  QRXNImage1 = Create<TImage>(this);
  QRXNImage1->SetParent(this);
  QRXNImage1->SetBounds(0, 0, 573, 50);
  SetPicture(QRXNImage1, Bar(573, 50, true));
  QRXNImage2 = Create<TImage>(this);
  QRXNImage2->SetParent(this);
  QRXNImage2->SetBounds(0, 423, 573, 50);
  SetPicture(QRXNImage2, Bar(573, 50, false));
  Image2 = Create<TImage>(this);
  Image2->SetParent(this);
  Image2->SetBounds(9, 9, 32, 32);
  SetPicture(Image2, DiscIcon(32));

  auto label = [this](TWinControl* parent, int x, int y, int w, int h) {
    auto* l = Create<TLabel>(this);
    l->SetParent(parent);
    l->SetBounds(x, y, w, h);
    l->SetTransparent(true);
    return l;
  };
  labTitle = label(this, 50, 12, 400, 26);
  labTitle->Font()->SetName("DejaVu Sans");
  labTitle->Font()->SetSize(16);
  labTitle->Font()->SetStyle(TFontStyles(fsBold));
  labTitle->Font()->SetColor(clWhite);
  labVersion = label(this, 460, 30, 60, 16);
  labVersion->Font()->SetColor(clWhite);
  labSite = label(this, 12, 432, 300, 16);
  labSite->Font()->SetColor(TColor(0xFFFF80));
  labSite->SetCursor(crHandPoint);
  labCompany = label(this, 12, 450, 300, 16);
  labCompany->Font()->SetColor(clWhite);
  labCompany->SetCursor(crHandPoint);
  labSite->OnClick = [](TControl*) { Shell().Open(AppStrings().ProductURL); };
  labCompany->OnClick = [](TControl*) { Shell().Open(AppStrings().CompanyURL); };

  auto button = [this](int x, int y, const QString& caption, std::function<void()> action) {
    auto* b = Create<TLaunchButton>(this);
    b->SetParent(this);
    b->SetBounds(x, y, 190, 53);
    b->SetCaption(caption);
    b->SetCursor(crHandPoint);
    b->OnClick = [action](TControl*) { action(); };
    return b;
  };
  btnBurn = button(63, 72, "Data CD / DVD", [this] { btnBurnClick(); });
  btnAudioCD = button(63, 142, "Audio CD", [this] { OpenAudio ? OpenAudio() : NotBuilt("The audio CD window"); });
  btnMP3CD = button(63, 212, "MP3 CD / DVD", [this] { btnMP3CDClick(); });
  btnClone = button(63, 282, "Copy CD / DVD", [this] { OpenClone ? OpenClone() : NotBuilt("Disc copy"); });
  btnISO = button(63, 352, "ISO Image", [this] { btnISOClick(); });
  btnBackup = button(328, 72, "Backup", [this] { OpenBackup ? OpenBackup() : NotBuilt("The backup scheduler"); });
  btnEraser = button(328, 142, "Erase Disc", [this] { OpenEraser ? OpenEraser() : NotBuilt("The erase window"); });
  btnOption = button(328, 212, "Options", [this] { btnOptionClick(); });
  btnHelp = button(328, 282, "Help", [] { OpenHelpFile(); });

  auto small = [this](int x, const QString& caption, std::function<void()> action) {
    auto* b = Create<TLaunchButton>(this);
    b->SetParent(this);
    b->SetBounds(x, 4, 23, 22);
    b->Round = false;
    b->SetCaption(caption);
    b->OnClick = [action](TControl*) { action(); };
    return b;
  };
  btnMin = small(520, "_", [] { Application().Minimize(); });
  btnClose = small(545, "X", [this] { btnCloseClick(); });

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
  if (!args.isEmpty() && args.first() == "-Schedule") SetTrayActive(true);
  TForm::DoCreate();
}

void TStartForm::DoShow() {
  if (CheckLatestVersion) Timer1->SetEnabled(true);
  TForm::DoShow();
}

bool TStartForm::TrayActive() const { return tray_ && tray_->Visible(); }

void TStartForm::SetTrayActive(bool active) {
  if (!tray_) {
    if (!active) return;
    tray_ = Trays().Make();
    tray_menu_ = std::make_unique<QMenu>();
    tray_menu_->addAction("&Main Window", [this] { Show(); });
    tray_menu_->addAction("&Schedule List", [this] {
      if (OpenBackup) OpenBackup();
    });
    tray_menu_->addSeparator();
    tray_menu_->addAction("&Options", [this] { btnOptionClick(); });
    tray_menu_->addSeparator();
    tray_menu_->addAction("&Exit", [this] {
      try {
        if (AppForms().Form1) AppForms().Form1->Close();
        Close();
      } catch (...) {
      }
    });
    tray_->SetMenu(tray_menu_.get());
    tray_->SetHint(tray_hint_.isEmpty() ? AppStrings().ProductName : tray_hint_);
    tray_->OnEvent = [this](TrayEvent event, QPoint) {
      if (event == TrayEvent::DoubleClick && OpenBackup) OpenBackup();
    };
  }
  tray_->SetVisible(active);
}

void TStartForm::SetTrayHint(const QString& hint) {
  tray_hint_ = hint;
  if (tray_) tray_->SetHint(hint);
}

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
  TPanel* tools = iso ? form->tbISO : form->tbBurn;
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
    SetTrayActive(true);
    Hide();
    return;
  }
  try {
    if (AppForms().Form1) AppForms().Form1->Close();
    Close();
  } catch (...) {
  }
}
