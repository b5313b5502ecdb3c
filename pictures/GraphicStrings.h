#pragma once
// The fixed English texts of the multi-format picture readers and of the
// colour manager. Placeholders are "%s", filled in order by GraphicMessage.

#include <string>
#include <string_view>

namespace gs {

inline constexpr char kInvalidImage[] = "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr char kInvalidColorFormat[] = "Invalid color format in %s file.";
inline constexpr char kStreamReadError[] = "Stream read error in %s file.";
inline constexpr char kImageNotSupported[] = "Cannot load image. %s not supported for %s files.";
inline constexpr char kCompression[] = "The compression scheme is";
inline constexpr char kPCDImageSize[] = "Image sizes other than Base16, Base4 or Base are";
inline constexpr char kPSPFileVersion[] = "File versions other than 3 or 4 are";
inline constexpr char kInvalidCRC[] = "Cannot load image. CRC error found in %s file.";
inline constexpr char kCompressionError[] = "Cannot load image. Compression error found in %s file.";
inline constexpr char kExtraCompressedData[] = "Cannot load image. Extra compressed data found in %s file.";
inline constexpr char kInvalidPalette[] = "Cannot load image. Palette in %s file is invalid.";
inline constexpr char kUnknownCriticalChunk[] =
    "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr char kRegisterTwice[] = "Attempt to register %s files twice.";
// Our own additions: limits the readers enforce on untrusted files.
inline constexpr char kImageTooLarge[] = "Cannot load image. The %s image is too large.";
inline constexpr char kCannotSave[] = "Cannot save %s images; save the picture as a bitmap.";

inline constexpr char kIndexedConversion[] =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr char kNoConversion[] = "Color conversion failed. Could not find a proper method.";
inline constexpr char kInvalidColorDepth[] =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8, or 16.";
inline constexpr char kInvalidSampleCount[] =
    "Sample count per pixel does not correspond to the given color scheme.";

inline constexpr char kLZ77Error[] = "LZ77 decompression error.";

}  // namespace gs

// The pattern with each "%s" replaced by the next argument.
std::string GraphicMessage(std::string_view pattern, std::string_view first = {},
                           std::string_view second = {});
