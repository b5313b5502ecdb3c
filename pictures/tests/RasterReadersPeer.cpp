// Peer tools and pixel comparison for the reader tests.

#include "pictures/tests/RasterReadersPeer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace rastertest {

QString Tool(const char* name) { return QStandardPaths::findExecutable(name); }

QByteArray RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                  << " failed: " << p.readAllStandardError().toStdString();
    return {};
  }
  return p.readAllStandardOutput();
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(data), data.size());
}

namespace {

struct PnmCursor {
  const QByteArray& d;
  qsizetype pos = 0;
  int Number() {
    while (pos < d.size()) {
      if (d[pos] == '#') {
        while (pos < d.size() && d[pos] != '\n') ++pos;
      } else if (d[pos] >= '0' && d[pos] <= '9') {
        break;
      } else {
        ++pos;
      }
    }
    int v = 0;
    while (pos < d.size() && d[pos] >= '0' && d[pos] <= '9') v = v * 10 + (d[pos++] - '0');
    return v;
  }
};

}  // namespace

PeerImage ParsePnm(const QByteArray& data) {
  PeerImage img;
  if (data.size() < 3 || data[0] != 'P') return img;
  const char kind = data[1];
  PnmCursor c{data, 2};
  img.width = c.Number();
  img.height = c.Number();
  const bool bits = kind == '1' || kind == '4';
  const int maxval = bits ? 1 : c.Number();
  const bool binary = kind >= '4';
  const int channels = (kind == '3' || kind == '6') ? 3 : 1;
  if (binary) ++c.pos;  // the one white space after the header
  auto scale = [&](int v) { return uint16_t(uint32_t(v) * 65535 / uint32_t(maxval)); };
  img.pixels.resize(size_t(img.width) * size_t(img.height));
  const int rowBytes = (img.width + 7) / 8;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      std::array<uint16_t, 3> px{};
      if (kind == '4') {
        const uint8_t b = uint8_t(data[c.pos + y * rowBytes + x / 8]);
        const uint16_t v = ((b >> (7 - x % 8)) & 1) ? 0 : 65535;
        px = {v, v, v};
      } else if (kind == '1') {
        const uint16_t v = c.Number() ? 0 : 65535;
        px = {v, v, v};
      } else {
        for (int ch = 0; ch < channels; ++ch) {
          int v;
          if (!binary) {
            v = c.Number();
          } else if (maxval > 255) {
            v = (uint8_t(data[c.pos]) << 8) | uint8_t(data[c.pos + 1]);
            c.pos += 2;
          } else {
            v = uint8_t(data[c.pos++]);
          }
          px[size_t(ch)] = scale(v);
        }
        if (channels == 1) px[1] = px[2] = px[0];
      }
      img.pixels[size_t(y) * size_t(img.width) + size_t(x)] = px;
    }
  return img;
}

PeerImage PeerPixels(const QString& file, const QStringList& readOptions) {
  // A scene number would choose a Photo-CD resolution: with read options
  // the file is taken as they say.
  const QString input = readOptions.isEmpty() ? file + "[0]" : file;
  return ParsePnm(RunTool(Tool("convert"), readOptions + QStringList{input, "-auto-orient", "-alpha", "off",
                                                                     "-depth", "16", "ppm:-"}));
}

QByteArray PatternPpm(int width, int height, int colours) {
  QByteArray out = QString("P6\n%1 %2\n255\n").arg(width).arg(height).toLatin1();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (colours > 0) {
        const int k = (x / 3 + y * 5 + (x * y) % 7) % colours;
        out.append(char(uint8_t(k * 73 % 256)));
        out.append(char(uint8_t(k * 151 % 256)));
        out.append(char(uint8_t(255 - k * 37 % 256)));
      } else {
        out.append(char(uint8_t(x * 255 / std::max(width - 1, 1))));
        out.append(char(uint8_t(y * 255 / std::max(height - 1, 1))));
        out.append(char(uint8_t((x * 7 + y * 13) % 256)));
      }
    }
  return out;
}

QByteArray PatternPgm(int width, int height, int levels) {
  QByteArray out = QString("P5\n%1 %2\n255\n").arg(width).arg(height).toLatin1();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int k = (x + y * 3) % levels;
      out.append(char(uint8_t(levels > 1 ? k * 255 / (levels - 1) : 0)));
    }
  return out;
}

void ExpectSamePixels(const TBitmap& bitmap, const PeerImage& peer, int tolerance, const QString& what) {
  ASSERT_EQ(bitmap.Width(), peer.width) << what.toStdString();
  ASSERT_EQ(bitmap.Height(), peer.height) << what.toStdString();
  int bad = 0;
  for (int y = 0; y < peer.height; ++y)
    for (int x = 0; x < peer.width; ++x) {
      const uint32_t c = bitmap.Dib().GetColor(x, y);
      const int ours[3] = {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
      const auto& p = peer.pixels[size_t(y) * size_t(peer.width) + size_t(x)];
      for (int ch = 0; ch < 3; ++ch) {
        const int want = int(uint32_t(p[size_t(ch)]) * 255 / 65535);
        if (std::abs(ours[ch] - want) > tolerance) {
          if (bad++ == 0)
            ADD_FAILURE() << what.toStdString() << ": pixel " << x << "," << y << " channel " << ch << " is "
                          << ours[ch] << ", the peer has " << want;
        }
      }
    }
  EXPECT_EQ(bad, 0) << what.toStdString();
}

}  // namespace rastertest
