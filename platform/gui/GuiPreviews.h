#pragma once
// The class library's own test windows, shown by name in gui-preview.

void RegisterGuiPreviewWindows();
