#pragma once
// Preview windows of regions and shaped forms: every region shape with its
// border styles, and a shaped, shadowed form.

void RegisterRegionPreviewWindows();
