#pragma once
// The program's own default skin, drawn in code: a window frame with a
// caption and caption buttons, and the looks of the common controls. The
// skin file that ships (resources/skins/Default.mskn) is this skin saved by
// the skin writer; the tests check that the file is what this code makes.

#include "skin/se_skinsource.h"

namespace se {

// Replaces the source's content with the default skin.
void BuildDefaultSkin(TSeSkinSource& source);

}  // namespace se
