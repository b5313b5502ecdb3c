#pragma once
// Windows of the skin library's controls and forms that gui-preview (scripts/screenshot)
// shows by name. Each window is registered under a short name; a skinned
// variant carries the skin's name after a colon.

void RegisterSkinPreviewWindows();
