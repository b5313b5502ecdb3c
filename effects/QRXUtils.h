#pragma once
// String, path and rectangle routines of the visual-effects library, and
// what it needs to know about the system it runs on.

#include <cstdint>
#include <span>
#include <string>

#include "platform/gui/Geometry.h"

enum class TQRXPathPrefix : std::uint8_t { ppWindows, ppSystem, ppProgram, ppFixed };

// True for an empty string or one of blanks (character 32) only.
bool IsBlankString(const std::string& s);
std::string TrimString(const std::string& s);
// S with a trailing "\" (a blank S gets one too).
std::string AddBackslash(const std::string& s);
// S without its trailing "\", unless S is blank.
std::string RemoveBackslash(const std::string& s);

// Width and height of R.
TPoint RectExtent(const TRect& r);
// Source scaled by one ratio to fit inside Target, at Target's top-left.
TRect FitRectKeepAspect(const TRect& source, const TRect& target);
// The bounding box of R turned by `angle` degrees about its centre, moved to
// the origin. Angle 0 leaves R as it is (not moved).
void RotatedBounds(TRect& r, int angle);

// Largest and smallest element; an empty array gives 0.
int MaxIntValue(std::span<const int> values);
int MinIntValue(std::span<const int> values);
long double MinExtValue(std::span<const long double> values);

// Where a Windows program finds its system folders, on this host: the
// "Windows" folder is the user's configuration folder (XDG_CONFIG_HOME, else
// ~/.config), where such a program kept its own INI files; the "system"
// folder is the user's data folder (XDG_DATA_HOME, else ~/.local/share);
// the program folder is the running executable's folder. None ends in "/".
std::string WindowsFolder();
std::string SystemFolder();
std::string ProgramFolder();
// The folder of a prefix, with or without a trailing "/"; ppFixed is always
// the empty string.
std::string GetPrefixPath(TQRXPathPrefix prefix, bool withBackslash);

// Bits per pixel of the display (what a new bitmap gets).
std::uint8_t GetDisplayColorDepth();
// The login name of the user, or "(Unknown)".
std::string GetNetUserName();

// What the library was told about the host: this host counts as the NT line
// from version 5 on, with the shell extensions.
struct TQRXPlatformInfo {
  bool IsWin9x = false;
  bool IsWin98 = false;
  bool IsWinNT = true;
  bool IsWin2000 = true;
  bool WindowsExtension = true;
};
const TQRXPlatformInfo& PlatformInfo();
