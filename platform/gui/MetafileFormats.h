#pragma once
// The two metafile formats: Windows metafiles (placeable, or plain with a
// window set by their records) and enhanced metafiles. Reading the info
// checks the header and walks every record, so a file whose records run
// past its end is refused before anything is drawn; playing decodes each
// record into the player, skipping records too short for what they hold.

#include <QImage>
#include <QRectF>
#include <cstdint>
#include <span>

class TMetafilePlayer;

struct TMetafileInfo {
  bool enhanced = false;
  // The picture's box in its own units: logical units of a Windows
  // metafile, hundredths of a millimetre of an enhanced one.
  QRectF frame;
  // Units per inch of a Windows metafile's box.
  int unitsPerInch = 1440;
  // Device pixels per millimetre of an enhanced metafile's reference device.
  double devicePixelsPerMmX = 96.0 / 25.4;
  double devicePixelsPerMmY = 96.0 / 25.4;
  // Size at 96 pixels per inch, and in hundredths of a millimetre.
  int width = 0;
  int height = 0;
  int mmWidth = 0;
  int mmHeight = 0;
  // Where the records start, and the object table's size.
  size_t firstRecord = 0;
  uint32_t objectCount = 0;
};

// Both raise EInvalidGraphic for data they cannot accept.
TMetafileInfo ReadWmfInfo(std::span<const uint8_t> data);
TMetafileInfo ReadEmfInfo(std::span<const uint8_t> data);
// True when the data starts like an enhanced metafile.
bool LooksLikeEmf(std::span<const uint8_t> data);

// Play the records onto `painter`, the picture filling `target` (output
// pixels). The data must have passed its Read*Info; PlayMetafile picks the
// format from the info.
void PlayWmf(std::span<const uint8_t> data, const TMetafileInfo& info, class QPainter& painter, const QRectF& target);
void PlayEmf(std::span<const uint8_t> data, const TMetafileInfo& info, class QPainter& painter, const QRectF& target);
void PlayMetafile(std::span<const uint8_t> data, const TMetafileInfo& info, class QPainter& painter,
                  const QRectF& target);

// A device-independent bitmap of a record (header, colours, pixels) as an
// image; a null image for one that cannot be read.
QImage MetafileDib(std::span<const uint8_t> header, std::span<const uint8_t> bits);
