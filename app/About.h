#pragma once
// The about box, and the version check that asks the product's web site
// for the latest version number.

#include <QString>
#include <optional>

#include "platform/gui/Forms.h"

class TSeSkinButton;
class TSeSkinForm;
class TSeSkinLabel;

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TComponent* owner = nullptr);

  TSeSkinForm* SeSkinForm1 = nullptr;
  TSeSkinLabel *labVersion = nullptr, *Label2 = nullptr, *labYears = nullptr, *labCompany = nullptr;
  TSeSkinButton* btnOK = nullptr;

 protected:
  void DoCreate() override;
};

// Shows the about box (made at the first call, kept afterwards).
void ShowAboutBox();

// A version number as the web site writes it: digits with an optional
// point and digits, blanks around allowed, whatever the regional settings.
std::optional<double> ParseVersionNumber(const QString& text);

// Asks "/update.txt" on the product site's host and tells the user what it
// found; `failure_text` is the window's own message for a failed check.
void CheckLatestVersion(const QString& failure_text, int timeout_ms = 60000);

inline const QString kStartCheckFailure = QStringLiteral("Detect latest version failed,please check your network.");
inline const QString kMenuCheckFailure =
    QStringLiteral("Checking the latest version failed,please check your network.");

// Ties the start page's automatic check to the version check.
void ConnectVersionCheck();
