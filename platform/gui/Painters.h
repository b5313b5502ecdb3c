#pragma once
// The classic painters of the host: 3D edges, the frame controls (buttons,
// check boxes, radio buttons, scroll arrows, caption buttons, menu marks)
// and the focus rectangle, drawn with the system colour table so they look
// the same everywhere.

#include "platform/gui/Canvas.h"

constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned BDR_OUTER = 0x3;
constexpr unsigned BDR_INNER = 0xC;
constexpr unsigned BDR_RAISED = 0x5;
constexpr unsigned BDR_SUNKEN = 0xA;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr unsigned BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_DIAGONAL = 0x10;
constexpr unsigned BF_MIDDLE = 0x800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

// Draws the edge's outer then inner one-pixel ring on the chosen sides:
// top and left lines in the ring's light colour, bottom and right lines in
// its dark colour (which own the top-right and bottom-left corners). With
// BF_MIDDLE the inside is filled with the button face, with BF_ADJUST rect
// shrinks by the rings drawn. Diagonal edges (BF_DIAGONAL) are not drawn
// (no caller uses them); the call then returns false.
bool DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags);

constexpr unsigned DFC_CAPTION = 1;
constexpr unsigned DFC_MENU = 2;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;

constexpr unsigned DFCS_CAPTIONCLOSE = 0x0;
constexpr unsigned DFCS_CAPTIONMIN = 0x1;
constexpr unsigned DFCS_CAPTIONMAX = 0x2;
constexpr unsigned DFCS_CAPTIONRESTORE = 0x3;
constexpr unsigned DFCS_CAPTIONHELP = 0x4;
constexpr unsigned DFCS_MENUARROW = 0x0;
constexpr unsigned DFCS_MENUCHECK = 0x1;
constexpr unsigned DFCS_MENUBULLET = 0x2;
constexpr unsigned DFCS_SCROLLUP = 0x0;
constexpr unsigned DFCS_SCROLLDOWN = 0x1;
constexpr unsigned DFCS_SCROLLLEFT = 0x2;
constexpr unsigned DFCS_SCROLLRIGHT = 0x3;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x5;
constexpr unsigned DFCS_SCROLLSIZEGRIP = 0x8;
constexpr unsigned DFCS_BUTTONCHECK = 0x0;
constexpr unsigned DFCS_BUTTONRADIO = 0x4;
constexpr unsigned DFCS_BUTTON3STATE = 0x8;
constexpr unsigned DFCS_BUTTONPUSH = 0x10;
constexpr unsigned DFCS_INACTIVE = 0x100;
constexpr unsigned DFCS_PUSHED = 0x200;
constexpr unsigned DFCS_CHECKED = 0x400;
constexpr unsigned DFCS_TRANSPARENT = 0x800;
constexpr unsigned DFCS_HOT = 0x1000;
constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// The frame controls callers draw: push buttons, check boxes and radio
// buttons; scroll arrows, the combo box arrow and the size grip; the
// caption buttons (close, minimise, maximise, restore, help); menu arrow,
// check and bullet. Returns false for a type or state it does not know.
// The glyphs are our own drawings, centred in the rectangle.
bool DrawFrameControl(TCanvas& canvas, TRect& rect, unsigned type, unsigned state);

// The dotted focus frame (an inverting operation; twice restores).
inline void DrawFocusRect(TCanvas& canvas, const TRect& rect) { canvas.DrawFocusRect(rect); }
