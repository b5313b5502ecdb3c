#pragma once
// The clipboard: text, pictures and named formats (the GIF codec's "GIF
// Image"), one at a time or several together, with an in-memory fake for
// tests.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <map>

#include "platform/gui/Services.h"

// Everything put on the clipboard in one go: a reader picks the form it
// understands (a picture program the image, we the GIF stream).
struct ClipboardContent {
  QString text;  // none when empty
  QImage image;  // none when null
  std::map<QString, QByteArray> formats;
};

class ClipboardService {
 public:
  virtual ~ClipboardService() = default;
  virtual void SetText(const QString& text) = 0;
  virtual QString Text() const = 0;
  virtual void SetImage(const QImage& image) = 0;
  virtual QImage Image() const = 0;
  // A named format's bytes; setting one replaces what the clipboard held.
  virtual void SetData(const QString& format, const QByteArray& data) = 0;
  virtual QByteArray Data(const QString& format) const = 0;
  virtual bool HasFormat(const QString& format) const = 0;
  virtual void Clear() = 0;
  // Replaces what the clipboard held with every form in `content`.
  virtual void SetContent(const ClipboardContent& content) = 0;
};

class QtClipboard final : public ClipboardService {
 public:
  void SetText(const QString& text) override;
  QString Text() const override;
  void SetImage(const QImage& image) override;
  QImage Image() const override;
  void SetData(const QString& format, const QByteArray& data) override;
  QByteArray Data(const QString& format) const override;
  bool HasFormat(const QString& format) const override;
  void Clear() override;
  void SetContent(const ClipboardContent& content) override;
};

class FakeClipboard final : public ClipboardService {
 public:
  void SetText(const QString& text) override;
  QString Text() const override;
  void SetImage(const QImage& image) override;
  QImage Image() const override { return image_; }
  void SetData(const QString& format, const QByteArray& data) override;
  QByteArray Data(const QString& format) const override;
  bool HasFormat(const QString& format) const override;
  void Clear() override;
  void SetContent(const ClipboardContent& content) override;

 private:
  QImage image_;
  std::map<QString, QByteArray> data_;
};

// The clipboard in force.
inline ClipboardService& Clipboard() { return CurrentService<ClipboardService, QtClipboard>(); }
