#include "app/Unit2.h"

#include <cmath>

#include "platform/core/Formats.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "recorder/xrDrvLib.h"

QString SpeedFigure(int kbps, bool dvd) {
  const double base = dvd ? 1385.0 : 176.4;
  return QString::fromStdString(FormatFloat("#,##0", kbps) + " KB/s (" +
                                FormatFloat(dvd ? "0.0" : "0", kbps / base) + "X)");
}

TForm2::TForm2(TComponent* owner) : TForm(owner) {
  SetCaption("Device Capabilities");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(380);
  SetClientHeight(330);
  auto place = [](TWinControl* parent, auto* control, int left, int top, int width, int height) {
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  };
  Label1 = place(this, Create<TLabel>(this), 8, 8, 360, 16);
  Panel2 = place(this, Create<TPanel>(this), 8, 30, 364, 256);
  Panel2->SetBevelOuter(bvLowered);
  Panel2->SetEnabled(false);
  Label2 = place(Panel2, Create<TLabel>(this), 10, 8, 340, 16);
  Label3 = place(Panel2, Create<TLabel>(this), 10, 26, 340, 16);
  struct Box {
    TCheckBox** box;
    const char* caption;
  } const boxes[] = {
      {&ReadCDR, "Read CDR"},       {&ReadCDRW, "Read CDRW"},        {&ReadDVD, "Read DVD"},
      {&ReadDVDR, "Read DVD-R"},    {&ReadDVDRW, "Read DVD-RW"},     {&ReadDVDRAM, "Read DVD-RAM"},
      {&ReadDVDPR, "Read DVD+R"},   {&ReadDVDPRW, "Read DVD+RW"},    {&WriteCDR, "Write CDR"},
      {&WriteCDRW, "Write CDRW"},   {&WriteTest, "Write Test"},      {&WriteDVDR, "Write DVD-R"},
      {&WriteDVDRW, "Write DVD-RW"}, {&WriteDVDRAM, "Write DVD-RAM"}, {&WriteDVDPR, "Write DVD+R"},
      {&WriteDVDPRW, "Write DVD+RW"}, {&UnderrunProtection, "Underrun Protection"},
  };
  int i = 0;
  for (const Box& b : boxes) {
    const int column = i < 8 ? 0 : 1;
    const int row = i < 8 ? i : i - 8;
    *b.box = place(Panel2, Create<TCheckBox>(this), 10 + column * 176, 52 + row * 22, 170, 19);
    (*b.box)->SetCaption(b.caption);
    ++i;
  }
  Button1 = place(this, Create<TButton>(this), 150, 296, 80, 26);
  Button1->SetCaption("Close");
  Button1->SetCancel(true);
  Button1->SetModalResult(mrOk);
  Button1->OnClick = [this](TControl*) { Close(); };
}

void TForm2::ShowDrive(const TSCSIDevice& drive) {
  const std::uint32_t caps = drive.Capabilities;
  const std::pair<TCheckBox*, int> bits[] = {
      {ReadCDR, 0},     {ReadCDRW, 1},     {ReadDVD, 3},     {ReadDVDR, 4},     {ReadDVDRW, 5},  {ReadDVDRAM, 6},
      {ReadDVDPR, 7},   {ReadDVDPRW, 9},   {WriteCDR, 10},   {WriteCDRW, 11},   {WriteTest, 12}, {WriteDVDR, 13},
      {WriteDVDRW, 14}, {WriteDVDRAM, 15}, {WriteDVDPR, 16}, {WriteDVDPRW, 18}, {UnderrunProtection, 20},
  };
  for (const auto& [box, bit] : bits) box->SetChecked((caps >> bit) & 1u);
  const bool dvd = (caps & (1u << 3)) != 0;
  Label1->SetCaption("  " + QString::fromStdString(drive.SelectedDeviceId));
  Label2->SetCaption("Max Write Speed   :  " + SpeedFigure(drive.DeviceMaxWriteSpeed(), dvd));
  Label3->SetCaption("Max Read Speed    :  " + SpeedFigure(drive.DeviceMaxReadSpeed(), dvd));
}
