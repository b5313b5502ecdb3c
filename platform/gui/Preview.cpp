#include "platform/gui/Preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <map>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"

namespace {

std::map<QString, PreviewFactory>& Registry() {
  static std::map<QString, PreviewFactory> windows;
  return windows;
}

void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

void RegisterPreviewWindow(const QString& name, PreviewFactory factory) {
  Registry()[name] = std::move(factory);
}

QStringList PreviewWindowNames() {
  QStringList names;
  for (auto& [name, factory] : Registry()) names << name;
  return names;
}

int RunPreview(const QStringList& arguments) {
  QTextStream err(stderr);
  QTextStream out(stdout);
  QString window, output;
  bool screen = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--list") {
      for (const QString& name : PreviewWindowNames()) out << name << "\n";
      return 0;
    } else if (a == "--output" && i + 1 < arguments.size()) {
      output = arguments[++i];
    } else if (a == "--screen") {
      screen = true;
    } else if (a.startsWith("--")) {
      err << "gui-preview: unknown option " << a << "\n";
      return 2;
    } else {
      window = a;
    }
  }
  auto it = Registry().find(window);
  if (it == Registry().end()) {
    err << "gui-preview: no window named \"" << window << "\"; --list shows them\n";
    return 2;
  }
  if (output.isEmpty()) output = window + ".png";
  std::unique_ptr<TCustomForm> form = it->second();
  form->SetPosition(poDesigned);
  form->move(0, 0);
  form->Show();
  form->raise();
  Settle(300);
  QImage image;
  if (screen && form->screen()) {
    // What the display server shows, not what the widget believes it drew.
    const QRect area = form->frameGeometry();
    image = form->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
  } else {
    image = form->grab().toImage();
  }
  if (image.isNull() || !image.save(output, "PNG")) {
    err << "gui-preview: could not save " << output << "\n";
    return 1;
  }
  out << output << " " << image.width() << "x" << image.height() << "\n";
  return 0;
}
