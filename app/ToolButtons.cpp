#include "app/ToolButtons.h"

#include <QImage>

#include "skin/se_binding_buttons.h"

TBitmap ToolGlyphBitmap(TToolGlyph glyph, int size) {
  const QImage drawn = ToolGlyph(glyph, size).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(255, 0, 255);
  QImage keyed(drawn.size(), QImage::Format_RGB32);
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x) {
      const QRgb p = drawn.pixel(x, y);
      keyed.setPixel(x, y, qAlpha(p) >= 128 ? (p | 0xFF000000u) : key);
    }
  // The button takes its transparent colour from this corner.
  keyed.setPixel(0, keyed.height() - 1, key);
  TBitmap bitmap;
  bitmap.AssignQImage(keyed);
  return bitmap;
}

TSeSkinSpeedButton* AddToolButton(TToolRow& row, const QString& caption, const QString& hint,
                                  TToolGlyph glyph, int width) {
  auto* button = Create<TSeSkinSpeedButton>(row.Owner);
  button->SetBounds(row.X, 0, width, kToolButtonHeight);
  button->SetSkinEngine(row.Engine);
  button->SetCaption(caption);
  button->SetHint(hint);
  button->SetShowHint(true);
  button->SetFlat(true);
  button->SetLayout(blGlyphTop);
  button->SetSpacing(1);
  button->SetGlyph(ToolGlyphBitmap(glyph));
  button->SetParent(row.Bar);
  row.X += width;
  return button;
}

void AddToolDivider(TToolRow& row, int width) {
  auto* divider = Create<TSeSpeedDivider>(row.Owner);
  divider->SetBounds(row.X, 0, width, kToolButtonHeight);
  divider->SetParent(row.Bar);
  row.X += width;
}

TSeSpeedContainer* AddToolHolder(TToolRow& row, int width) {
  auto* holder = Create<TSeSpeedContainer>(row.Owner);
  holder->SetBounds(row.X, 0, width, kToolButtonHeight);
  holder->SetParent(row.Bar);
  row.X += width;
  return holder;
}
