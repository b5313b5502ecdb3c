#pragma once
// TwpnIconListBox: a list box showing the icons a file holds (an .ico file,
// or a Windows program's icon groups; IconCtlsExtract.h), one item per icon
// whose text is its index. The burn dialog keeps an invisible one to take
// the autorun program's first icon for the disc.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Controls.h"
#include "platform/gui/Icon.h"

class QListWidget;

class TwpnIconListBox : public TWinControl {
 public:
  explicit TwpnIconListBox(TComponent* owner = nullptr);
  ~TwpnIconListBox() override;

  QString Version() const { return QStringLiteral("TwpnIconListBox v1.16"); }
  QListWidget* ListBox() const { return list_; }

  const QString& FileName() const { return file_name_; }
  // Loads the icons of the new file (nothing when the name is the same) and
  // fires OnFileChange.
  void SetFileName(const QString& file_name);
  bool AutoDisable() const { return auto_disable_; }
  void SetAutoDisable(bool auto_disable);
  bool EnableCaching() const { return enable_caching_; }
  void SetEnableCaching(bool caching);
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  // -1 when the file is missing.
  int NumberOfIcons() const { return number_of_icons_; }
  int Count() const;
  QString ItemText(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);

  // The icon at `index` (extracted now when caching left it for later);
  // owned by the list, null when there is none.
  TIcon* GetIcon(int index);

  std::function<void(TComponent* sender)> OnFileChange;

  void LoadIcons();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowIcon(int index);

  QListWidget* list_ = nullptr;
  QString file_name_;
  bool auto_disable_ = true;
  bool enable_caching_ = true;
  int margin_ = 5;
  int number_of_icons_ = -1;
  std::vector<QByteArray> icon_files_;
  std::vector<std::unique_ptr<TIcon>> icons_;
};
