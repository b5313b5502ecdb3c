#include "app/ModuleInit.h"

#include "effects/UniBmp.h"
#include "pictures/GifImage.h"
#include "pictures/RasterReaders.h"
#include "skin/se_skinobject.h"
#include "skin/se_skinsource.h"

void InitializeModules() {
  // The class library's own JPEG, bitmap and icon classes are there from the
  // start; the multi-format readers come next, then GIF, and the universal
  // bitmap last, so "bmp" and "dib" load through it.
  RegisterRasterFormats();
  RegisterGifFormat();
  RegisterUniBitmap();
  RegisterSkinObjectClasses();
  RegisterSkinFilters();
}
