#pragma once
// TMaskEdit: an edit with the host's edit mask ("!90:00;1;_": the mask,
// whether literals are saved in Text, and the blank character). EditText
// is what the box shows, blanks included; Text is the value: blanks read as
// spaces, literals kept or left out as the mask says.

#include <QString>

#include "platform/gui/StdCtrls.h"

class TMaskEdit : public TEdit {
  Q_OBJECT

 public:
  explicit TMaskEdit(TComponent* owner = nullptr);

  const QString& EditMask() const { return edit_mask_; }
  void SetEditMask(const QString& mask);
  bool IsMasked() const { return !edit_mask_.isEmpty(); }
  // The shown text, with the blank character in unfilled places.
  QString EditText() const;
  // Fills the box from a shown text (blanks may be given as the blank
  // character).
  void SetEditText(const QString& text);
  // The value as the host reads it.
  QString MaskedText() const;
  // Every required place is filled.
  bool IsComplete() const;

 private:
  QString edit_mask_;
  bool save_literals_ = true;
  QChar blank_ = QLatin1Char('_');
};

// The Qt input mask for one of the host's edit masks (the mask part only),
// with the separators ":" and "/" of the regional settings.
QString QtInputMask(const QString& hostMask, QChar blank);
