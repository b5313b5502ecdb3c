#pragma once
// Preview windows of regions and shaped forms: every region shape with its
// border styles, and a shaped, shadowed form.

void RegisterRegionPreviewWindows();

#include <QString>
#include <memory>

class TCustomForm;

// One of those windows by name (null for an unknown name).
std::unique_ptr<TCustomForm> MakeRegionPreview(const QString& name);
