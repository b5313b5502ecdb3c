// JPEG through libjpeg. libjpeg reports fatal errors through a callback
// that must not return; ours jumps back to the call with longjmp, so the
// work between setjmp and the jump keeps its state in a heap object and
// holds no C++ object whose destructor the jump would skip.

#include "platform/gui/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are tolerated as the reference decoder tolerates them, except
// running out of data: a truncated file is refused, not shown half grey.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnError(cinfo);
}

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  TDib dib;
  std::vector<uint8_t> row;
};

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> row;
};

}  // namespace

TDib DecodeJpeg(const QByteArray& data, bool grayscale, int scaleDenominator, bool fast,
                long long maxPixels) {
  if (data.isEmpty()) throw EInvalidGraphic("JPEG error #42: the data is empty");
  auto state = std::make_unique<DecodeState>();
  DecodeState* s = state.get();
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = OnError;
  s->err.pub.emit_message = OnMessage;
  if (setjmp(s->err.jump)) {
    const std::string message = std::string("JPEG error: ") + s->err.message;
    jpeg_destroy_decompress(&s->cinfo);
    throw EInvalidGraphic(message);
  }
  jpeg_create_decompress(&s->cinfo);
  // Bounds what a hostile file can make libjpeg allocate for its own work.
  s->cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
  jpeg_mem_src(&s->cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
               (unsigned long)data.size());
  jpeg_read_header(&s->cinfo, TRUE);
  if (static_cast<long long>(s->cinfo.image_width) * s->cinfo.image_height > maxPixels) {
    std::snprintf(s->err.message, sizeof s->err.message, "the picture is too large (%ux%u)",
                  s->cinfo.image_width, s->cinfo.image_height);
    std::longjmp(s->err.jump, 1);
  }
  s->cinfo.scale_num = 1;
  s->cinfo.scale_denom = (unsigned)scaleDenominator;
  if (fast) {
    s->cinfo.dct_method = JDCT_IFAST;
    s->cinfo.do_fancy_upsampling = FALSE;
  }
  const bool cmyk = s->cinfo.jpeg_color_space == JCS_CMYK || s->cinfo.jpeg_color_space == JCS_YCCK;
  if (grayscale)
    s->cinfo.out_color_space = JCS_GRAYSCALE;
  else if (cmyk)
    s->cinfo.out_color_space = JCS_CMYK;
  else if (s->cinfo.jpeg_color_space != JCS_GRAYSCALE)
    s->cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&s->cinfo);
  const int w = int(s->cinfo.output_width), h = int(s->cinfo.output_height), n = s->cinfo.output_components;
  const bool grey = n == 1;
  s->dib.Allocate(w, h, grey ? pf8bit : pf24bit);
  if (grey)
    for (int i = 0; i < 256; ++i) s->dib.palette[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  s->row.resize(size_t(w) * size_t(n));
  while (s->cinfo.output_scanline < s->cinfo.output_height) {
    const int y = int(s->cinfo.output_scanline);
    JSAMPROW rows[1] = {s->row.data()};
    jpeg_read_scanlines(&s->cinfo, rows, 1);
    uint8_t* dst = s->dib.Row(y);
    if (n == 4) {
      // Adobe writes CMYK inverted; each channel times K gives the colour.
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &s->row[size_t(x) * 4];
        dst[3 * x] = uint8_t(p[2] * p[3] / 255);
        dst[3 * x + 1] = uint8_t(p[1] * p[3] / 255);
        dst[3 * x + 2] = uint8_t(p[0] * p[3] / 255);
      }
    } else {
      std::memcpy(dst, s->row.data(), s->row.size());
    }
  }
  jpeg_finish_decompress(&s->cinfo);
  jpeg_destroy_decompress(&s->cinfo);
  return std::move(s->dib);
}

QByteArray EncodeJpeg(const TDib& source, int quality, bool grayscale, bool progressive) {
  if (source.Empty()) throw EInvalidGraphicOperation("Cannot compress an empty picture");
  auto state = std::make_unique<EncodeState>();
  EncodeState* s = state.get();
  const TDib dib = source.format == pf24bit ? source : source.Converted(pf24bit);
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = OnError;
  if (setjmp(s->err.jump)) {
    const std::string message = std::string("JPEG error: ") + s->err.message;
    jpeg_destroy_compress(&s->cinfo);
    free(s->out);
    throw EInvalidGraphic(message);
  }
  jpeg_create_compress(&s->cinfo);
  jpeg_mem_dest(&s->cinfo, &s->out, &s->size);
  s->cinfo.image_width = JDIMENSION(dib.width);
  s->cinfo.image_height = JDIMENSION(dib.height);
  s->cinfo.input_components = 3;
  s->cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&s->cinfo);
  if (grayscale) jpeg_set_colorspace(&s->cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&s->cinfo);
  jpeg_start_compress(&s->cinfo, TRUE);
  while (s->cinfo.next_scanline < s->cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(dib.Row(int(s->cinfo.next_scanline)))};
    jpeg_write_scanlines(&s->cinfo, rows, 1);
  }
  jpeg_finish_compress(&s->cinfo);
  QByteArray out(reinterpret_cast<const char*>(s->out), qsizetype(s->size));
  jpeg_destroy_compress(&s->cinfo);
  free(s->out);
  return out;
}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::TJPEGImage(const TJPEGImage& other)
    : TGraphic(),
      data_(other.data_),
      bitmap_(other.bitmap_),
      grayscale_(other.grayscale_),
      scale_(other.scale_),
      performance_(other.performance_),
      pixel_format_(other.pixel_format_),
      quality_(other.quality_),
      progressive_(other.progressive_) {}
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  Decode();
}

void TJPEGImage::SetScale(TJPEGScale value) {
  if (value == scale_) return;
  scale_ = value;
  Decode();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
  if (value == performance_) return;
  performance_ = value;
  Decode();
}

void TJPEGImage::SetCompressionQuality(int value) { quality_ = std::clamp(value, 1, 100); }

void TJPEGImage::Decode() {
  if (data_.isEmpty()) return;
  bitmap_.SetDib(DecodeJpeg(data_, grayscale_, 1 << int(scale_), performance_ == jpBestSpeed));
  Changed();
}

void TJPEGImage::Assign(const TBitmap& bitmap) {
  bitmap_.Assign(bitmap);
  data_.clear();
  Changed();
}

void TJPEGImage::Compress() {
  if (bitmap_.Empty()) return;
  data_ = EncodeJpeg(bitmap_.Dib(), quality_, grayscale_, progressive_);
}

void TJPEGImage::LoadFromBytes(const QByteArray& data) {
  TDib dib = DecodeJpeg(data, grayscale_, 1 << int(scale_), performance_ == jpBestSpeed);
  data_ = data;
  bitmap_.SetDib(std::move(dib));
  Changed();
}

QByteArray TJPEGImage::SaveToBytes() const {
  if (!data_.isEmpty()) return data_;
  return EncodeJpeg(bitmap_.Dib(), quality_, grayscale_, progressive_);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) { bitmap_.Draw(canvas, rect); }

std::unique_ptr<TGraphic> TJPEGImage::Clone() const { return std::make_unique<TJPEGImage>(*this); }
