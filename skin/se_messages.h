#pragma once
// The skin library's messages (sent with TControl::Perform, answered in
// Dispatch) and what a skinned window frame offers the skin objects drawn
// in it.
//
// SKM_AFTERCHANGE and SKM_BEFORECHANGE carry the engine in both WParam and
// LParam; a receiver acts only when LParam is its own engine.
// SKM_SKINCHANGED carries the skin object that asks for a repaint in LParam.
// SKM_GETSKINFORM is answered by a window's skinned frame: Result is the
// frame as a TSeFrameActions*.

#include <cstdint>

class TSeSkinObject;

inline constexpr unsigned SKM_AFTERCHANGE = 1702;
inline constexpr unsigned SKM_BEFORECHANGE = 1703;
inline constexpr unsigned SKM_SKINCHANGED = 2121;
inline constexpr unsigned SKM_GETSKINFORM = 2122;

// The frame buttons a skinned window shows.
using TSeBorderIcons = unsigned;
enum : unsigned {
  kbiClose = 1u << 0,
  kbiSystemMenu = 1u << 1,
  kbiMinimize = 1u << 2,
  kbiMaximize = 1u << 3,
  kbiHelp = 1u << 4,
  kbiRollup = 1u << 5,
  kbiTray = 1u << 6,
};

// The skinned frame of a window, as its caption buttons reach it.
class TSeFrameActions {
 public:
  virtual ~TSeFrameActions() = default;
  virtual TSeBorderIcons FrameBorderIcons() const = 0;
  virtual void Close() = 0;
  virtual void ContextHelp() = 0;
  virtual void Minimize() = 0;
  virtual void Maximize() = 0;
  virtual void Restore() = 0;
  virtual void Rollup() = 0;
  virtual void MinimizeToTray() = 0;
  virtual void ShowSystemMenu() = 0;
  // The frame's OnCustomAction with the button object.
  virtual void CustomAction(TSeSkinObject* button) = 0;
};
