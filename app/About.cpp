#include "app/About.h"

#include <QRegularExpression>
#include <QUrl>

#include "app/AppGlobals.h"
#include "app/Option.h"
#include "app/SkinFrame.h"
#include "app/start.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Http.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_binding_buttons.h"

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
  SetCaption("About");
  SetFormStyle(fsStayOnTop);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetPosition(poMainFormCenter);
  // The frame first: the client size set below is kept inside it.
  SeSkinForm1 = AddSkinFrame(this, kbiClose);
  SetClientWidth(340);
  SetClientHeight(190);
  auto label = [this](int top, int size, bool bold) {
    auto* l = Create<TSeSkinLabel>(this);
    l->SetSkinEngine(AppSkinEngine());
    l->SetParent(this);
    l->SetAutoSize(false);
    l->SetBounds(12, top, 316, size + 8);
    l->SetAlignment(taCenter);
    // A font of its own, kept when the skin gives the box its font.
    TFont font(*l->Font());
    font.SetSize(size);
    if (bold) font.SetStyle(fsBold);
    l->SetFont(font);
    return l;
  };
  auto* title = label(14, 12, true);
  title->SetCaption(AppStrings().ProductName);
  labVersion = label(42, 9, false);
  Label2 = label(62, 9, false);
  labYears = label(96, 8, false);
  labCompany = label(114, 8, false);
  btnOK = Create<TSeSkinButton>(this);
  btnOK->SetSkinEngine(AppSkinEngine());
  btnOK->SetParent(this);
  btnOK->SetBounds(130, 150, 80, 26);
  btnOK->SetCaption("OK");
  btnOK->SetDefault(true);
  btnOK->SetCancel(true);
  btnOK->OnClick = [this](TControl*) { Close(); };
}

void TAboutForm::DoCreate() {
  const TAppStrings& s = AppStrings();
  labVersion->SetCaption("Version " + s.ProductVersion);
  Label2->SetCaption("Windows95/98/ME/2000/NT/XP/2003");
  labYears->SetCaption(QString::fromUtf8("Copyright \u00A9 ") + s.AboutYears);
  labCompany->SetCaption(s.CompanyName + " All rights reserved.");
  TForm::DoCreate();
}

void ShowAboutBox() {
  static TAboutForm* about = nullptr;
  if (!about) about = Create<TAboutForm>(nullptr);
  about->Show();
  about->BringToFront();
}

std::optional<double> ParseVersionNumber(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,6}(\\.\\d{1,6})?)\\s*$"));
  const QRegularExpressionMatch match = number.match(text);
  if (!match.hasMatch()) return std::nullopt;
  // Read in the C locale: the site writes a decimal point, whatever the
  // user's regional settings say.
  bool ok = false;
  const double value = match.captured(1).toDouble(&ok);
  if (!ok) return std::nullopt;
  return value;
}

void CheckLatestVersion(const QString& failure_text, int timeout_ms) {
  const TAppStrings& s = AppStrings();
  const QUrl site(s.ProductURL);
  const std::optional<double> running = ParseVersionNumber(s.ProductVersion);
  QUrl url;
  url.setScheme("http");
  url.setHost(site.host());
  url.setPort(site.port(80));
  url.setPath("/update.txt");
  const HttpResponse response = site.host().isEmpty() ? HttpResponse{} : Http().Get(url.toString(), timeout_ms);
  const QString body = QString::fromUtf8(response.body);
  const std::optional<double> latest = response.ok ? ParseVersionNumber(body) : std::nullopt;
  if (!latest || !running) {
    MessageBox(failure_text, "Information", MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (*latest > *running + 0.005) {
    if (MessageBox("The latest version of " + s.ProductName + " is " + body.trimmed() + "\n\r" +
                       "Do you want to download it now?",
                   "Information", MB_YESNO | MB_ICONINFORMATION) == IDYES)
      Shell().Open(s.DownloadURL);
    return;
  }
  MessageBox("The current version is the latest version.", "Information", MB_OK | MB_ICONINFORMATION);
}

void ConnectVersionCheck() {
  if (TStartForm* start = AppForms().StartForm)
    start->CheckLatestVersion = [] {
      if (AppForms().OptionForm && AppForms().OptionForm->chkDetect->Checked()) CheckLatestVersion(kStartCheckFailure);
    };
}
