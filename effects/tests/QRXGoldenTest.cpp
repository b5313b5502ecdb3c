// Golden pictures of the effects galleries (gradients in every style, every
// shape with each bevel and shadow, frames and 3D text, the start page's
// pieces, every region shape, a shaped form, every button kind in its
// states), compared pixel for pixel offscreen and, in a child run, on a
// real X server under Xvfb. BURNER_WRITE_GOLDEN=1 writes them anew after a
// deliberate change; look at the PNG before committing it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "effects/QRXPreviews.h"
#include "platform/gui/Forms.h"

namespace {

const char* const kScenes[] = {"effects-gradients",     "effects-shapes",      "effects-frames", "effects-startpage",
                               "effects-region-shapes", "effects-shaped-form", "fx-buttons"};

QString GoldenPath(const QString& name) {
  return QString(BURNER_SOURCE_DIR) + "/effects/tests/golden/" + name + ".png";
}

QImage Shoot(const QString& name) {
  std::unique_ptr<TCustomForm> form = MakeEffectsPreview(name);
  if (!form) return {};
  form->Show();
  if (!QTest::qWaitForWindowExposed(form.get())) return {};
  return form->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int Differing(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return -1;
  int n = 0;
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x)
      n += (actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
  return n;
}

}  // namespace

TEST(QRXGolden, GalleriesMatchTheirPictures) {
  for (const char* scene : kScenes) {
    const QImage shot = Shoot(scene);
    ASSERT_FALSE(shot.isNull()) << scene;
    if (std::getenv("BURNER_WRITE_GOLDEN")) {
      ASSERT_TRUE(shot.save(GoldenPath(scene))) << scene;
      continue;
    }
    const QImage expected(GoldenPath(scene));
    ASSERT_FALSE(expected.isNull()) << "missing " << GoldenPath(scene).toStdString();
    EXPECT_EQ(Differing(shot, expected.convertToFormat(QImage::Format_RGB32)), 0) << scene;
  }
}

// The child half of the next test; does nothing in a normal run.
TEST(QRXGolden, WritePicturesForParent) {
  const QString out = qEnvironmentVariable("BURNER_EFFECTS_OUT");
  if (out.isEmpty()) GTEST_SKIP() << "runs only as the child of SameUnderXvfb";
  for (const char* scene : kScenes) ASSERT_TRUE(Shoot(scene).save(out + "/" + scene + ".png")) << scene;
}

TEST(QRXGolden, SameUnderXvfb) {
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed: the X11 comparison did not run";
  QTemporaryDir dir;
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("BURNER_EFFECTS_OUT", dir.path());
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfb, {"-a", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=QRXGolden.WritePicturesForParent"});
  child.waitForFinished(120000);
  const QString log = QString::fromLocal8Bit(child.readAll());
  for (const char* scene : kScenes) {
    const QImage x11(dir.filePath(QString(scene) + ".png"));
    ASSERT_FALSE(x11.isNull()) << scene << "\n" << log.toStdString();
    const QImage expected(GoldenPath(scene));
    EXPECT_EQ(
        Differing(x11.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32)),
        0)
        << scene;
  }
}
