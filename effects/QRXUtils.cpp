#include "effects/QRXUtils.h"

#include <pwd.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

#include "effects/QRXConst.h"

namespace {

// The host's Round: halves go to the even neighbour.
int RoundHalfEven(long double v) { return int(std::nearbyintl(v)); }

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string XdgFolder(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && *value == '/') return value;
  return HomeFolder() + "/" + fallback;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool IsBlankString(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

std::string TrimString(const std::string& s) {
  // The host's Trim drops every control character and blank at both ends.
  std::size_t first = 0, last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}

std::string AddBackslash(const std::string& s) {
  if (!IsBlankString(s) && s.back() == '\\') return s;
  return s + "\\";
}

std::string RemoveBackslash(const std::string& s) {
  if (!IsBlankString(s) && s.back() == '\\') return s.substr(0, s.size() - 1);
  return s;
}

TPoint RectExtent(const TRect& r) { return {r.Width(), r.Height()}; }

TRect FitRectKeepAspect(const TRect& source, const TRect& target) {
  const long double sw = source.Width(), sh = source.Height();
  if (sw <= 0 || sh <= 0) return {target.Left, target.Top, target.Left, target.Top};
  const long double ratio = std::min(target.Width() / sw, target.Height() / sh);
  return Bounds(target.Left, target.Top, RoundHalfEven(sw * ratio), RoundHalfEven(sh * ratio));
}

void RotatedBounds(TRect& r, int angle) {
  if (angle == 0) return;
  const long double a = angle * std::numbers::pi_v<long double> / 180;
  const int w = r.Width() / 2, h = r.Height() / 2;
  const int cx = r.Left + w, cy = r.Top + h;
  const long double c = std::cos(a), s = std::sin(a);
  const int p = RoundHalfEven(w * c - h * s), q = RoundHalfEven(w * c + h * s);
  const int u = RoundHalfEven(w * s - h * c), t = RoundHalfEven(w * s + h * c);
  const int xs[] = {cx - p, cx - q, cx + q, cx + p};
  const int ys[] = {cy + u, cy + t, cy - t, cy - u};
  const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
  const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
  r = {0, 0, *maxX - *minX, *maxY - *minY};
}

int MaxIntValue(std::span<const int> values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

int MinIntValue(std::span<const int> values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

long double MinExtValue(std::span<const long double> values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

std::string WindowsFolder() { return WithoutTrailingSlash(XdgFolder("XDG_CONFIG_HOME", ".config")); }

std::string SystemFolder() { return WithoutTrailingSlash(XdgFolder("XDG_DATA_HOME", ".local/share")); }

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WithoutTrailingSlash(exe.parent_path().string());
}

std::string GetPrefixPath(TQRXPathPrefix prefix, bool withBackslash) {
  std::string path;
  switch (prefix) {
    case TQRXPathPrefix::ppWindows:
      path = WindowsFolder();
      break;
    case TQRXPathPrefix::ppSystem:
      path = SystemFolder();
      break;
    case TQRXPathPrefix::ppProgram:
      path = ProgramFolder();
      break;
    case TQRXPathPrefix::ppFixed:
      return {};
  }
  // Host paths here are POSIX paths: the separator is "/".
  if (withBackslash) {
    if (path.empty() || path.back() != '/') path += '/';
  } else {
    path = WithoutTrailingSlash(path);
  }
  return path;
}

std::uint8_t GetDisplayColorDepth() {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = app->primaryScreen()) return std::uint8_t(screen->depth());
  return 32;
}

std::string GetNetUserName() {
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
  return SQRXUnknownUser;
}

const TQRXPlatformInfo& PlatformInfo() {
  static const TQRXPlatformInfo info;
  return info;
}
