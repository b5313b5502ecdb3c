#include "platform/gui/Preview.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "platform/gui/Forms.h"

TEST(Preview, SavesAPngOfTheNamedWindow) {
  RegisterPreviewWindow("preview-test", [] {
    auto form = CreateUnique<TForm>();
    form->SetBounds(0, 0, 120, 80);
    form->SetColor(clRed);
    return std::unique_ptr<TCustomForm>(form.release());
  });
  EXPECT_TRUE(PreviewWindowNames().contains("preview-test"));
  QTemporaryDir dir;
  const QString png = dir.filePath("shot.png");
  ASSERT_EQ(RunPreview({"preview-test", "--output", png}), 0);
  QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(120, 80));
  EXPECT_EQ(image.pixelColor(60, 40), QColor(255, 0, 0));
  EXPECT_EQ(RunPreview({"no-such-window"}), 2);
}
