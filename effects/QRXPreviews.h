#pragma once
// Windows of the visual-effects controls that gui-preview (scripts/screenshot)
// shows by name. Each window is registered under a short name; a skinned
// variant carries the skin's name after a colon.

void RegisterEffectsPreviewWindows();

#include <QString>
#include <memory>

class TCustomForm;

// One of those windows by name (null for an unknown name), for the golden
// picture tests.
std::unique_ptr<TCustomForm> MakeEffectsPreview(const QString& name);
