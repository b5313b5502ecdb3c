#pragma once
// The host's colour value: 0x00BBGGRR for a plain colour, 0x80000000 | index
// for an entry of the system colour table, and two special values (clNone,
// clDefault) that mean "no colour" and "the control's default".

#include <QColor>
#include <cstdint>

using TColor = int32_t;

constexpr TColor SystemColor(int index) {
  return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index));
}
constexpr TColor RGB(int r, int g, int b) {
  return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(uint32_t c) { return int(c & 0xFF); }
constexpr int GetGValue(uint32_t c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(uint32_t c) { return int((c >> 16) & 0xFF); }

// System colour indexes (the host's COLOR_* values).
enum : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
  COLOR_ENDCOLORS = 30,
  COLOR_DESKTOP = COLOR_BACKGROUND,
  COLOR_3DFACE = COLOR_BTNFACE,
  COLOR_3DSHADOW = COLOR_BTNSHADOW,
  COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT,
  COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT,
};

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

// The 0x00BBGGRR value of a colour: system colours are looked up in the
// system colour table; clNone and clDefault give black and the window
// colour. Only the low 24 bits of a plain colour count.
uint32_t ColorToRGB(TColor color);
// The colour as a Qt colour, opaque.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);

// The system colour table and the metrics table: fixed values (a classic
// grey scheme and a 1024 x 768 screen) so that every machine paints and
// measures the same.
uint32_t GetSysColor(int index);
int GetSystemMetrics(int index);

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7,
  SM_CYDLGFRAME = 8,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXCURSOR = 13,
  SM_CYCURSOR = 14,
  SM_CYMENU = 15,
  SM_CXFULLSCREEN = 16,
  SM_CYFULLSCREEN = 17,
  SM_CYKANJIWINDOW = 18,
  SM_MOUSEPRESENT = 19,
  SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21,
  SM_DEBUG = 22,
  SM_SWAPBUTTON = 23,
  SM_CXMIN = 28,
  SM_CYMIN = 29,
  SM_CXSIZE = 30,
  SM_CYSIZE = 31,
  SM_CXFRAME = 32,
  SM_CYFRAME = 33,
  SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35,
  SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37,
  SM_CXICONSPACING = 38,
  SM_CYICONSPACING = 39,
  SM_MENUDROPALIGNMENT = 40,
  SM_PENWINDOWS = 41,
  SM_DBCSENABLED = 42,
  SM_CMOUSEBUTTONS = 43,
  SM_CXFIXEDFRAME = SM_CXDLGFRAME,
  SM_CYFIXEDFRAME = SM_CYDLGFRAME,
  SM_CXSIZEFRAME = SM_CXFRAME,
  SM_CYSIZEFRAME = SM_CYFRAME,
  SM_SECURE = 44,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXMINSPACING = 47,
  SM_CYMINSPACING = 48,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
  SM_CYSMCAPTION = 51,
  SM_CXSMSIZE = 52,
  SM_CYSMSIZE = 53,
  SM_CXMENUSIZE = 54,
  SM_CYMENUSIZE = 55,
  SM_ARRANGE = 56,
  SM_CXMINIMIZED = 57,
  SM_CYMINIMIZED = 58,
  SM_CXMAXTRACK = 59,
  SM_CYMAXTRACK = 60,
  SM_CXMAXIMIZED = 61,
  SM_CYMAXIMIZED = 62,
  SM_NETWORK = 63,
  SM_CLEANBOOT = 67,
  SM_CXDRAG = 68,
  SM_CYDRAG = 69,
  SM_SHOWSOUNDS = 70,
  SM_CXMENUCHECK = 71,
  SM_CYMENUCHECK = 72,
  SM_SLOWMACHINE = 73,
  SM_MIDEASTENABLED = 74,
  SM_MOUSEWHEELPRESENT = 75,
  SM_XVIRTUALSCREEN = 76,
  SM_YVIRTUALSCREEN = 77,
  SM_CXVIRTUALSCREEN = 78,
  SM_CYVIRTUALSCREEN = 79,
  SM_CMONITORS = 80,
  SM_SAMEDISPLAYFORMAT = 81,
};
