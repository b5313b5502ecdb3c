#pragma once
// The small option objects that skinned windows and popup menus publish as
// sub-properties: alpha blending, drop shadow, snapping to screen edges,
// moving and sizing, and the show animation, plus the containers that group
// blending, shadow and animation for a popup menu or a form. Their owners
// read them when they show, move or paint a window; blending, shadow and the
// containers tell their owner of a change through OnChange.

#include <functional>
#include <memory>

// Constant-alpha blending of a window or control over what lies behind it.
class TSeBlending {
 public:
  TSeBlending() = default;
  TSeBlending(const TSeBlending&) = delete;
  TSeBlending& operator=(const TSeBlending&) = delete;

  // Copies Enabled, Value and the animation flag, then notifies.
  void Assign(const TSeBlending& source);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // The alpha 0..255; values outside are clamped.
  int Value() const { return value_; }
  void SetValue(int value);
  // Whether the owner fades the alpha in when it shows (kept for Assign).
  bool Animate() const { return animate_; }
  void SetAnimate(bool value) { animate_ = value; }

  std::function<void(TSeBlending* sender)> OnChange;

 private:
  void Changed();

  bool enabled_ = false;
  int value_ = 150;
  bool animate_ = false;
};

// A drop shadow Size pixels wide.
class TSeShadow {
 public:
  TSeShadow() = default;
  TSeShadow(const TSeShadow&) = delete;
  TSeShadow& operator=(const TSeShadow&) = delete;

  void Assign(const TSeShadow& source);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Above 20 becomes 20; 0 or less switches the shadow off (the size written
  // is kept).
  int Size() const { return size_; }
  void SetSize(int value);

  std::function<void(TSeShadow* sender)> OnChange;

 private:
  void Changed();

  bool enabled_ = false;
  int size_ = 4;
};

// Snapping a moved window to the screen's edges within Size pixels.
class TSeGravitation {
 public:
  TSeGravitation() = default;
  TSeGravitation(const TSeGravitation&) = delete;
  TSeGravitation& operator=(const TSeGravitation&) = delete;

  void Assign(const TSeGravitation& source);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  // Clamped to 1..50.
  int Size() const { return size_; }
  void SetSize(int value);
  // Which edges snap; kept for Assign.
  unsigned char Edges() const { return edges_; }
  void SetEdges(unsigned char value) { edges_ = value; }

 private:
  bool enabled_ = true;
  int size_ = 20;
  unsigned char edges_ = 0;
};

enum TSeFormDragMode { kfdmBorder, kfdmFullDrag };

// Whether the user may move and size a window, and whether a move shows the
// window or only its outline.
class TSeDragging {
 public:
  TSeDragging() = default;
  TSeDragging(const TSeDragging&) = delete;
  TSeDragging& operator=(const TSeDragging&) = delete;

  void Assign(const TSeDragging& source);

  bool Sizeable() const { return sizeable_; }
  void SetSizeable(bool value) { sizeable_ = value; }
  bool Moveable() const { return moveable_; }
  void SetMoveable(bool value) { moveable_ = value; }
  TSeFormDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TSeFormDragMode value) { drag_mode_ = value; }

 private:
  bool sizeable_ = true;
  bool moveable_ = true;
  TSeFormDragMode drag_mode_ = kfdmFullDrag;
};

enum TkeEffect {
  keRandomSelect,
  keFade,
  keDiagonal,
  keDown,
  keIn,
  keOut,
  keRectIn,
  keRectOut,
  kePixel,
  kePixelLine,
  keDiamondIn,
  keDiamondOut,
  keSmoothDiagonal,
  keSmoothRectIn,
  keSmoothRectOut
};
enum TSeDirection { kdNone, kdNoRotate, kdRotate90, kdRotate180, kdRotate270 };

// The effect a window shows with.
class TSeAnimation {
 public:
  TSeAnimation() = default;
  TSeAnimation(const TSeAnimation&) = delete;
  TSeAnimation& operator=(const TSeAnimation&) = delete;

  void Assign(const TSeAnimation& source);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  // Milliseconds, clamped to 50..9000.
  int Time() const { return time_; }
  void SetTime(int value);
  // Clamped to 1..10.
  int Resolution() const { return resolution_; }
  void SetResolution(int value);
  // Clamped to 1..20.
  int TileCount() const { return tile_count_; }
  void SetTileCount(int value);
  TkeEffect Effect() const { return effect_; }
  void SetEffect(TkeEffect value) { effect_ = value; }
  TSeDirection Direction() const { return direction_; }
  void SetDirection(TSeDirection value) { direction_ = value; }

 private:
  bool enabled_ = false;
  int time_ = 400;
  int resolution_ = 1;
  int tile_count_ = 1;
  TkeEffect effect_ = keFade;
  TSeDirection direction_ = kdNone;
};

// Blending, shadow and animation of one popup menu. The parts' own OnChange
// stay the owner's to connect; a change made through the container notifies
// once, after the part.
class TSePopupMenuOptions {
 public:
  TSePopupMenuOptions();
  virtual ~TSePopupMenuOptions();
  TSePopupMenuOptions(const TSePopupMenuOptions&) = delete;
  TSePopupMenuOptions& operator=(const TSePopupMenuOptions&) = delete;

  void Assign(const TSePopupMenuOptions& source);

  TSeBlending* Blending() const { return blending_.get(); }
  void SetBlending(const TSeBlending& value);
  TSeShadow* Shadow() const { return shadow_.get(); }
  void SetShadow(const TSeShadow& value);
  TSeAnimation* Animation() const { return animation_.get(); }
  void SetAnimation(const TSeAnimation& value);

  std::function<void(TSePopupMenuOptions* sender)> OnChange;

 private:
  void Changed();

  std::unique_ptr<TSeBlending> blending_;
  std::unique_ptr<TSeShadow> shadow_;
  std::unique_ptr<TSeAnimation> animation_;
};

// The same group for a form.
class TSeFormOptions : public TSePopupMenuOptions {};
