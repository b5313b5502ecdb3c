#pragma once
// The options window's two dealings with the skin library, kept apart from
// the window's controls (the skin library's names for text alignment are
// its own).

#include <string>

class TComponent;
class TSeSkinEngine;

// Gives the engine (made under `owner` when null) the skin file; "" is the
// plain look. A damaged file leaves the look as it was.
void SetSkinFile(TComponent* owner, TSeSkinEngine*& engine, const std::string& file);
// Whether the skin file reads as a whole.
bool SkinFileLoads(const std::string& file);
