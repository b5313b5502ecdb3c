#pragma once
// Enumerations, subrange types and library texts shared by every part of the
// visual-effects library. Ordinals are part of the form-file format: never
// reorder the members.

#include <cstdint>
#include <initializer_list>

enum class TQRXShadowStyle : std::uint8_t { hssNone, hssSolid, hssTracing };

enum class TQRXBevelStyle : std::uint8_t {
  bvNone,
  bvLowered,
  bvRaised,
  bvFrameLowered,
  bvFrameRaised,
  bvNormal,
  bvShadow
};

enum class TQRXBevelMode : std::uint8_t { bmCustom, bmStandard, bmEdge, bmWindows };

enum class TQRXBorderStyle : std::uint8_t {
  lsNone,
  lsSingle,
  lsLowered,
  lsRaised,
  lsRaisedspb,
  lsLoweredspb,
  lsRaisedExt,
  lsLoweredExt,
  lsFrameInset,
  lsFrameOffset,
  lsWindowBorder,
  lsSingleRaised,
  lsSingleLowered,
  lsDoubleRaised,
  lsDoubleLowered
};

enum class TQRXEdgeStyle : std::uint8_t {
  etRaisedInner,
  etRaisedOuter,
  etSunkenInner,
  etSunkenOuter,
  etBump,
  etEtched,
  etRaised,
  etSunken
};

enum class TQRXFrameSide : std::uint8_t { fsBottom, fsLeft, fsRight, fsTop };

// A set of frame sides, one bit per member ordinal.
class TQRXFrameSides {
 public:
  constexpr TQRXFrameSides() = default;
  constexpr TQRXFrameSides(std::initializer_list<TQRXFrameSide> sides) {
    for (TQRXFrameSide s : sides) bits_ |= Bit(s);
  }
  constexpr bool Contains(TQRXFrameSide side) const { return (bits_ & Bit(side)) != 0; }
  constexpr void Include(TQRXFrameSide side) { bits_ |= Bit(side); }
  constexpr void Exclude(TQRXFrameSide side) { bits_ &= std::uint8_t(~Bit(side)); }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(TQRXFrameSides, TQRXFrameSides) = default;

 private:
  static constexpr std::uint8_t Bit(TQRXFrameSide s) { return std::uint8_t(1u << unsigned(s)); }
  std::uint8_t bits_ = 0;
};

enum class TQRXTextArrange : std::uint8_t {
  taLeft,
  taLeftTop,
  taRight,
  taRightTop,
  taTop,
  taTopLeft,
  taBottom,
  taBottomLeft
};

enum class TQRXArrowPosition : std::uint8_t { apRightText, apLeftText, apRightGlyph, apLeftGlyph };

// ubsWin95 draws a look of its own; ubsWin98 draws the flat look.
enum class TQRXUserButtonStyle : std::uint8_t {
  ubsAutoDetect,
  ubsWin31,
  ubsWin40,
  ubsWin95,
  ubsWin98,
  ubsFlat,
  ubsFlatUnColored,
  ubsNavigator,
  ubsExplorer,
  ubsExplorerColored,
  ubsIntegrated
};

enum class TQRXAlignment : std::uint8_t {
  agTopLeft,
  agTopCenter,
  agTopRight,
  agCenterLeft,
  agCenter,
  agCenterRight,
  agBottomLeft,
  agBottomCenter,
  agBottomRight
};

enum class TQRXFillStyle : std::uint8_t {
  sfNone,
  sfBrushBitmap,
  sfBrush,
  sfBitmap,
  sfBitmapList,
  sfGradient
};

enum class TQRXTileMode : std::uint8_t { tmNone, tmCenter, tmStretch, tmTile };

enum class TQRXGradientStyle : std::uint8_t {
  gstHorizontal,
  gstVertical,
  gstSquare,
  gstElliptic,
  gstTopLeft,
  gstTopRight,
  gstBottomLeft,
  gstBottomRight,
  gstTopLeftDiagonal,
  gstTopRightDiagonal
};

enum class TQRXThreeDStyle : std::uint8_t {
  tdNone,
  tdSunken,
  tdRaised,
  tdSunkenShadow,
  tdRaisedShadow,
  tdPColorSunken,
  tdPColorRaised,
  tdShadow,
  tdOutline,
  tdExtrude,
  tdExtrudeEnh
};

enum class TQRXThreeDOrientation : std::uint8_t { toBottomLeft, toBottomRight, toTopLeft, toTopRight };

enum class TQRXDisabledStyle : std::uint8_t { dsAuto, dsStandard, ds3d, dsNone };

enum class TQRXTransparentMode : std::uint8_t { tpNone, tpRestoreBack, tpTransparentColor, tpRBTranspColor };

enum class TQRXBitmapStyle : std::uint8_t {
  sbNone,
  sbAutosize,
  sbCenter,
  sbStretch,
  sbTile,
  sbKeepAspRatio,
  sbKeepWidth,
  sbKeepHeight
};

// Subranges: the storage type, and the range the setters of each Part keep.
using TQRXAngle = std::uint16_t;       // 0..360
using TQRXDDArrowSize = std::uint8_t;  // 2..10
using TQRXBevelWidth = std::uint8_t;   // 0..50
using TQRXBorderWidth = std::uint8_t;  // 0..255
using TQRXColorCount = std::uint8_t;   // 2..236
using TQRXPercent = std::uint8_t;      // 0..100
using TQRXShadowDepth = std::uint8_t;  // 0..40

template <class T>
struct TQRXRange {
  T low;
  T high;
  constexpr bool Contains(long long v) const { return v >= low && v <= high; }
};
inline constexpr TQRXRange<TQRXAngle> kQRXAngleRange{0, 360};
inline constexpr TQRXRange<TQRXDDArrowSize> kQRXDDArrowSizeRange{2, 10};
inline constexpr TQRXRange<TQRXBevelWidth> kQRXBevelWidthRange{0, 50};
inline constexpr TQRXRange<TQRXBorderWidth> kQRXBorderWidthRange{0, 255};
inline constexpr TQRXRange<TQRXColorCount> kQRXColorCountRange{2, 236};
inline constexpr TQRXRange<TQRXPercent> kQRXPercentRange{0, 100};
inline constexpr TQRXRange<TQRXShadowDepth> kQRXShadowDepthRange{0, 40};

// The library's string table.
inline constexpr const char* SQRXInvalidOwner = "Invalid owner (<>TForm) or second instance on a form";
inline constexpr const char* SQRXIntervalNotCompatible = "Interval not compatible with MinInterval property!";
inline constexpr const char* SQRXUnknownUser = "(Unknown)";
