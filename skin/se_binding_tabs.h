#pragma once
// Skinned wrappers of the tab control, the page control, the track bar and
// the tool bar: each binds its control to a skin object through a
// TSeSkinBinding and draws that object's children in place of the plain
// painters, which it falls back to while unbound or where a child is
// missing. Sizes the skin gives (tab spacings, thumb and track margins)
// are read from the copy whenever they are needed.

#include <string>

#include "skin/se_binding.h"
#include "skin/se_tabcontrol.h"
#include "skin/se_toolbar.h"
#include "skin/se_trackbar.h"

class TSeSkinEngine;

// The binding properties every wrapper publishes.
#define SE_SKIN_BINDING_PROPERTIES                                                          \
  TSeSkinEngine* SkinEngine() const { return binding_->SkinEngine(); }                      \
  void SetSkinEngine(TSeSkinEngine* engine) { binding_->SetSkinEngine(engine); }           \
  const std::string& SkinObject() const { return binding_->SkinObject(); }                  \
  void SetSkinObject(const std::string& name) { binding_->SetSkinObject(name); }           \
  std::string Version() const { return "3.2.0"; }                                           \
  void SetVersion(const std::string&) {}                                                    \
  TSeSkinBinding& Binding() { return *binding_; }

// Tabs from "Tabs": "TabTop"/"TabBottom"/"TabLeft"/"TabRight" else "Tab"
// for each tab, "Text" for the captions' font, "Frame" around the page
// area (its margins are the tab spacings), "LeftButton" and "RightButton"
// for the scroll arrows.
class TSeSkinTabControl : public TSeCustomTabControl {
 public:
  explicit TSeSkinTabControl(TComponent* owner = nullptr);
  SE_SKIN_BINDING_PROPERTIES

  int GetLeftSpacing() const override;
  int GetTopSpacing() const override;
  int GetRightSpacing() const override;
  int GetBottomSpacing() const override;

 protected:
  void Loaded() override;
  void Dispatch(TMessage& message) override;
  void PaintTab(int index) override;
  void PaintPageFrame() override;
  void PaintLeftArrow() override;
  void PaintRightArrow() override;

 private:
  TSeSkinObject* Frame() const;
  void Bound();
  TSeSkinBinding* binding_;
};

// The skinned tab control with pages.
class TSeSkinPageControl : public TSeSkinTabControl {
 public:
  explicit TSeSkinPageControl(TComponent* owner = nullptr);
};

// The track bar from "TrackBar": "ThumbHorz"/"ThumbVert" else "Thumb"
// (sized by the skin; "ThumbHorzTop", "ThumbHorzBottom", "ThumbVertLeft"
// and "ThumbVertRight" by the side the ticks point to),
// "TrackHorz"/"TrackVert" else "Track", "HighlightHorz"/"HighlightVert"
// else "Highlight", and "FrameHorz"/"FrameVert" else "Frame", whose margins
// place the track and the thumb.
class TSeSkinTrackBar : public TSeCustomTrackBar {
 public:
  explicit TSeSkinTrackBar(TComponent* owner = nullptr);
  SE_SKIN_BINDING_PROPERTIES

  int GetThumbWidth() const override;
  int GetThumbLength() const override;
  int GetTrackMargin() const override;
  int GetThumbOffset() const override;

 protected:
  void Dispatch(TMessage& message) override;
  void PaintTrack(int start, int stop, int thumb_pixel) override;
  void PaintThumb(int pixel) override;
  void PaintTick(int value, int pixel, bool upper) override;

 private:
  bool Horizontal() const { return Orientation() == toHorizontal; }
  TSeSkinObject* Named(const char* horizontal, const char* vertical, const char* either) const;
  TSeSkinObject* ThumbObject() const;
  TSeSkinObject* FrameObject() const;
  TSeSkinBinding* binding_;
};

// The skinned tool bar is TSeSkinToolBar in se_binding_bars.h.


#undef SE_SKIN_BINDING_PROPERTIES
