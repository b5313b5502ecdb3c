#pragma once
// Preview windows of our skins: every object the controls look up, drawn
// straight from each shipped skin in its states ("skin-sheet-<name>").
void RegisterSkinGalleryPreviews();
// The skinned controls themselves on a form, bound to each shipped skin
// ("skin-gallery-<name>").
void RegisterSkinWrapperGalleries();
