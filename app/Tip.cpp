#include "app/Tip.h"

#include "app/AppGlobals.h"
#include "app/SkinFrame.h"
#include "app/Option.h"
#include "platform/core/Clock.h"
#include "platform/core/IniFile.h"
#include "platform/gui/StdCtrls.h"
#include "skin/se_binding_buttons.h"
#include "skin/se_binding_views.h"

TTipForm::TTipForm(TComponent* owner) : TForm(owner) {
  SetCaption("Everyday Tips");
  SetFormStyle(fsStayOnTop);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  // The frame first: the client size set below is kept inside it.
  SeSkinForm1 = AddSkinFrame(this, kbiClose);
  SetClientWidth(400);
  SetClientHeight(250);
  Label1 = Create<TSeSkinLabel>(this);
  Label1->SetSkinEngine(AppSkinEngine());
  Label1->SetParent(this);
  Label1->SetBounds(12, 12, 376, 18);
  Label1->SetAutoSize(false);
  // A font of its own: the title stays bold when the skin gives the window
  // its font.
  TFont bold(*Label1->Font());
  bold.SetStyle(fsBold);
  Label1->SetFont(bold);
  SeSkinGroupBox1 = Create<TSeSkinGroupBox>(this);
  SeSkinGroupBox1->SetSkinEngine(AppSkinEngine());
  SeSkinGroupBox1->SetParent(this);
  SeSkinGroupBox1->SetBounds(12, 36, 376, 160);
  SeSkinGroupBox1->SetCaption("Content");
  memo1 = Create<TSeSkinMemo>(this);
  memo1->SetSkinEngine(AppSkinEngine());
  memo1->SetParent(SeSkinGroupBox1);
  memo1->SetBounds(8, 20, 360, 132);
  memo1->SetReadOnly(true);
  memo1->SetScrollBars(ssVertical);
  chkTip = Create<TSeSkinCheckBox>(this);
  chkTip->SetSkinEngine(AppSkinEngine());
  chkTip->SetParent(this);
  chkTip->SetBounds(12, 212, 280, 19);
  chkTip->SetCaption("Never show Everyday Tips when start-up");
  chkTip->OnClick = [this](TControl*) { chkTipClick(); };
  btnOK = Create<TSeSkinButton>(this);
  btnOK->SetSkinEngine(AppSkinEngine());
  btnOK->SetParent(this);
  btnOK->SetBounds(308, 208, 80, 26);
  btnOK->SetCaption("&OK");
  btnOK->SetDefault(true);
  btnOK->OnClick = [this](TControl*) { Close(); };
}

QString TTipForm::FileName() { return AppStrings().DataPath("Tips.ini"); }

void TTipForm::DoShow() {
  const TIniFile ini(FileName().toStdString());
  const int count = ini.ReadInteger("Count", "Value", 0);
  if (count > 0) {
    const int n = static_cast<int>(TheRandom().Next(static_cast<std::uint32_t>(count))) + 1;
    const std::string section = std::to_string(n);
    Label1->SetCaption(QString::fromStdString(ini.ReadString(section, "Title", "No title available.")));
    memo1->SetText(QString::fromStdString(ini.ReadString(section, "Content", "No content available.")));
  }
  TForm::DoShow();
}

void TTipForm::chkTipClick() {
  if (TOptionForm* o = AppForms().OptionForm) o->chkTip->SetChecked(!chkTip->Checked());
}

void TTipForm::DoClose(TCloseAction& action) {
  // A ticked "never show" lasts to the next start.
  if (TOptionForm* o = AppForms().OptionForm) o->SaveOptions();
  TForm::DoClose(action);
}

void ShowTipsAtStart() {
  TOptionForm* o = AppForms().OptionForm;
  if (!o || !o->chkTip->Checked()) return;
  static TTipForm* tips = nullptr;
  if (!tips) tips = Create<TTipForm>(nullptr);
  tips->Show();
}
