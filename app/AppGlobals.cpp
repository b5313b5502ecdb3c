#include "app/AppGlobals.h"

#include "app/Unit1.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/core/IniFile.h"

TAppStrings& AppStrings() {
  static TAppStrings strings;
  return strings;
}

TAppForms& AppForms() {
  static TAppForms forms;
  return forms;
}

TSeSkinEngine* AppSkinEngine() {
  const TAppForms& forms = AppForms();
  return forms.Form1 ? forms.Form1->SeSkinEngine1 : forms.StandaloneSkinEngine;
}

QString TAppStrings::DataPath(const QString& relative) const { return AppDir + "/" + relative; }

QString TAppStrings::HelpFile() const { return DataPath(ProductName + ".hlp"); }

void SetProgramStrings(const QString& exe_path) {
  TAppStrings& s = AppStrings();
  s = TAppStrings{};
  QString dir = QFileInfo(exe_path).absolutePath();
  while (dir.endsWith('/')) dir.chop(1);
  s.AppDir = dir;
  QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  s.SysDir = data.isEmpty() ? s.DataPath("System") : data + "/burner/System";
  const TIniFile ini(s.DataPath("Option.ini").toStdString());
  s.ProductVersion = QString::fromStdString(ini.ReadString("General", "Version", "1.8"));
}
