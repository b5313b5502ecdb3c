#include "app/Sessions.h"

#include <array>
#include <cmath>
#include <memory>

#include "app/AppGlobals.h"
#include "app/FormPlacing.h"
#include "app/SessionTree.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "platform/core/Formats.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrCDBC.h"

namespace {

QString Pad(int value, int width) { return QString::number(value).rightJustified(width, '0'); }

QString MsfText(const std::uint8_t* descriptor_address) {
  return Pad(descriptor_address[1], 3) + ":" + Pad(descriptor_address[2], 2) + ":" + Pad(descriptor_address[3], 2);
}

}  // namespace

QString SessionSizeText(std::uint32_t blocks) {
  return QString::number(static_cast<long long>(std::nearbyint(blocks / 512.0))).rightJustified(4, ' ') + " MB";
}

TfrmSessions::TfrmSessions(TComponent* owner) : TForm(owner) {
  SetCaption("Disc & Sessions Information");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(360);
  SetClientHeight(300);
  auto place = [](TWinControl* parent, auto* control, int left, int top, int width, int height) {
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  };
  Panel1 = place(this, Create<TPanel>(this), 6, 6, 348, 72);
  Panel1->SetBevelOuter(bvLowered);
  const char* captions[] = {"Medium  :", "Disc Size  :", "Used Space  :"};
  TLabel** values[] = {&lMedium, &lDiscSize, &lUsedSpace};
  for (int i = 0; i < 3; ++i) {
    auto* caption = place(Panel1, Create<TLabel>(this), 10, 8 + i * 20, 90, 16);
    caption->SetCaption(captions[i]);
    *values[i] = place(Panel1, Create<TLabel>(this), 104, 8 + i * 20, 236, 16);
    (*values[i])->SetAutoSize(false);
  }
  Panel2 = place(this, Create<TPanel>(this), 6, 84, 348, 26);
  Panel2->SetBevelOuter(bvRaised);
  Panel2->SetAlignment(taLeftJustify);
  Panel2->SetCaption(" Number     Start     Size");
  UseFixedPitchFont(Panel2);
  SpeedButton1 = place(Panel2, Create<TSpeedButton>(this), 262, 2, 82, 22);
  SpeedButton1->SetCaption("Show Files");
  SpeedButton1->OnClick = [this](TControl*) { SpeedButton1Click(); };
  lb = place(this, Create<TListBox>(this), 6, 112, 348, 182);
  UseFixedPitchFont(lb);
  lb->OnClick = [this](TControl*) { SpeedButton1Click(); };
  lb->OnDblClick = [this](TControl*) { Button1Click(); };
  // Enter closes the window from anywhere.
  Button1 = place(this, Create<TButton>(this), -200, -200, 75, 25);
  Button1->SetCaption("OK");
  Button1->SetDefault(true);
  Button1->OnClick = [this](TControl*) { Button1Click(); };
}

void TfrmSessions::KeyPress(QChar& key) {
  if (key == QChar(27)) {
    Button1Click();
    key = QChar(0);
    return;
  }
  TForm::KeyPress(key);
}

void TfrmSessions::Button1Click() {
  SetModalResult(mrOk);
  Close();
}

void TfrmSessions::Fill(TQCDBurner& r) {
  recorder_ = &r;
  lb->Items()->Clear();
  TDisc disc;
  r.GetDiscInfo(disc);
  if (!disc.Present) {
    lb->Items()->Add("     Error getting session information");
    return;
  }
  std::array<std::uint8_t, 248> toc{};
  for (int s = disc.FirstSession; s <= disc.LastSession; ++s) {
    toc.fill(0);
    std::uint32_t start = 0;
    QString start_text;
    if (r.ReadTOC(0, toc.data(), 248, static_cast<std::uint8_t>(s), true)) {
      start = MSFToFrames(0, toc[9], toc[10], toc[11]);
      start_text = MsfText(&toc[8]);
    }
    if (start == 0) continue;
    const std::uint32_t first_block = start - 150;
    std::uint32_t track_size = 0;
    if (r.ReadTrackInformation(static_cast<std::uint32_t>(s))) track_size = r.TrackInfo.TrackSize;
    std::array<std::uint8_t, 2048> pvd{};
    QString size = "???? MB";
    if (r.Read10(first_block + 16, 1, pvd.data(), 2048)) {
      const std::uint32_t volume = pvd[80] | pvd[81] << 8 | pvd[82] << 16 | std::uint32_t{pvd[83]} << 24;
      if (volume != 0) size = SessionSizeText(track_size != 0 ? track_size : volume);
    }
    // The line keeps its session's number: lines of unreadable sessions are
    // left out, so a line's position is not its session.
    lb->Items()->AddObject("  " + Pad(s, 3) + "      " + start_text + "  " + size,
                           reinterpret_cast<void*>(static_cast<std::intptr_t>(s)));
  }
  toc.fill(0);
  QString lead_out = "00:00:00";
  if (r.ReadTOC(0, toc.data(), 248, 0xAA, true)) lead_out = MsfText(&toc[8]);
  lb->Items()->Add(" Free      " + lead_out + "  " + SessionSizeText(r.GetFreeBlocks()));

  r.GetDiscInfo(disc);
  lMedium->SetCaption(QString::fromStdString(DiscTypeName(r.GetDiscType())));
  const std::uint32_t next = r.GetNextWritableAddress();
  const std::uint32_t capacity = r.GetDiscCapacity();
  lDiscSize->SetCaption(QString::fromStdString(FormatFloat("0.00", capacity / 512.0)) + " MB");
  lUsedSpace->SetCaption(QString::fromStdString(FormatFloat("0.00", next / 512.0)) + " MB");
}

void TfrmSessions::SpeedButton1Click() {
  const int index = lb->ItemIndex();
  if (index < 0) {
    ShowMessage("Select session from list");
    return;
  }
  if (lb->Items()->Count() < 2 || index == lb->Items()->Count() - 1 || !recorder_) return;
  const int session = static_cast<int>(reinterpret_cast<std::intptr_t>(lb->Items()->Objects(index)));
  recorder_->InitCompilation(65535, 8191);
  recorder_->ImportSession(session, recorder_->RootDir());
  auto* viewer = Create<TfrmTree>(this);
  viewer->SetRecorder(recorder_);
  if (ShowViewer)
    ShowViewer(viewer);
  else
    viewer->ShowModal();
  delete viewer;
}

void ConnectInformationDialogs() {
  TForm1* main = AppForms().Form1;
  if (!main) return;
  main->bCaps->OnClick = [main](TControl*) {
    std::unique_ptr<TForm2> caps(Create<TForm2>(main));
    caps->ShowDrive(main->qcdb());
    caps->ShowModal();
  };
  main->bDisc->OnClick = [main](TControl*) {
    main->SelectComboDrive();
    std::unique_ptr<TfrmSessions> sessions(Create<TfrmSessions>(main));
    sessions->Fill(main->qcdb());
    sessions->ShowModal();
  };
}
