#include "tools/encode/AudioDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kCdRate = 44100;
constexpr int kCdFrameBytes = 4;  // two 16-bit samples

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

struct AudioDecoder::State {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  bool input_done = false;    // every packet has gone to the decoder
  bool decoder_done = false;  // the decoder gave its last frame
  bool finished = false;      // the resampler is drained too
  std::vector<std::uint8_t> pending;
  std::size_t pending_at = 0;

  ~State() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&resampler);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }
};

AudioDecoder::~AudioDecoder() = default;

std::unique_ptr<AudioDecoder> AudioDecoder::Open(const std::string& path, std::string& error) {
  av_log_set_level(AV_LOG_QUIET);
  std::unique_ptr<AudioDecoder> decoder(new AudioDecoder);
  decoder->state_ = std::make_unique<State>();
  State& s = *decoder->state_;
  int code = avformat_open_input(&s.format, path.c_str(), nullptr, nullptr);
  if (code < 0) {
    // No demuxer recognised the file: say so, not the library's "Invalid argument".
    error = code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL) ? "it is not in an audio format this program reads"
                                                                   : AvError(code);
    return nullptr;
  }
  if ((code = avformat_find_stream_info(s.format, nullptr)) < 0) {
    error = AvError(code);
    return nullptr;
  }
  const AVCodec* codec = nullptr;
  s.stream = av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (s.stream < 0 || codec == nullptr) {
    error = s.stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for its audio format" : "it holds no audio";
    return nullptr;
  }
  const AVStream* stream = s.format->streams[s.stream];
  s.codec = avcodec_alloc_context3(codec);
  if (s.codec == nullptr || avcodec_parameters_to_context(s.codec, stream->codecpar) < 0) {
    error = "its audio format cannot be decoded";
    return nullptr;
  }
  if ((code = avcodec_open2(s.codec, codec, nullptr)) < 0) {
    error = AvError(code);
    return nullptr;
  }
  if (s.codec->sample_rate <= 0 || s.codec->ch_layout.nb_channels <= 0) {
    error = "its audio has no sample rate or no channels";
    return nullptr;
  }
  AVChannelLayout in_layout;
  if (s.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&in_layout, s.codec->ch_layout.nb_channels);
  } else {
    av_channel_layout_copy(&in_layout, &s.codec->ch_layout);
  }
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  code = swr_alloc_set_opts2(&s.resampler, &stereo, AV_SAMPLE_FMT_S16, kCdRate, &in_layout, s.codec->sample_fmt,
                             s.codec->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in_layout);
  if (code < 0 || (code = swr_init(s.resampler)) < 0) {
    error = "its audio cannot be converted to CD audio: " + AvError(code);
    return nullptr;
  }
  s.packet = av_packet_alloc();
  s.frame = av_frame_alloc();
  if (s.packet == nullptr || s.frame == nullptr) {
    error = "out of memory";
    return nullptr;
  }
  double seconds = 0;
  if (stream->duration > 0 && stream->time_base.den != 0) {
    seconds = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
  } else if (s.format->duration > 0) {
    seconds = static_cast<double>(s.format->duration) / AV_TIME_BASE;
  }
  decoder->expected_bytes_ = static_cast<std::uint64_t>(seconds * kCdRate) * kCdFrameBytes;
  return decoder;
}

// Converts the decoded frame (or, with none, what the resampler still
// holds) into `pending`.
namespace {

bool Convert(SwrContext* resampler, const AVFrame* frame,
                    std::vector<std::uint8_t>& pending, std::string& error) {
  const int in_samples = frame != nullptr ? frame->nb_samples : 0;
  const int room = swr_get_out_samples(resampler, in_samples);
  if (room < 0) {
    error = AvError(room);
    return false;
  }
  pending.resize(static_cast<std::size_t>(room) * kCdFrameBytes + kCdFrameBytes);
  std::uint8_t* out[1] = {pending.data()};
  const int made = swr_convert(resampler, out, room + 1,
                               frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr,
                               in_samples);
  if (made < 0) {
    error = AvError(made);
    return false;
  }
  pending.resize(static_cast<std::size_t>(made) * kCdFrameBytes);
  return true;
}

}  // namespace

bool AudioDecoder::Refill(std::string& error) {
  State& s = *state_;
  s.pending.clear();
  s.pending_at = 0;
  while (s.pending.empty() && !s.finished) {
    if (s.decoder_done) {
      // The resampler's tail; an empty answer means it is drained.
      if (!Convert(s.resampler, nullptr, s.pending, error)) return false;
      if (s.pending.empty()) s.finished = true;
      return true;
    }
    int code = avcodec_receive_frame(s.codec, s.frame);
    if (code == 0) {
      const bool ok = Convert(s.resampler, s.frame, s.pending, error);
      av_frame_unref(s.frame);
      if (!ok) return false;
      continue;
    }
    if (code == AVERROR_EOF) {
      s.decoder_done = true;
      continue;
    }
    if (code != AVERROR(EAGAIN)) {
      error = "the decoder stopped: " + AvError(code);
      return false;
    }
    if (s.input_done) {
      s.decoder_done = true;
      continue;
    }
    code = av_read_frame(s.format, s.packet);
    if (code == AVERROR_EOF) {
      s.input_done = true;
      avcodec_send_packet(s.codec, nullptr);
      continue;
    }
    if (code < 0) {
      error = "the file cannot be read: " + AvError(code);
      return false;
    }
    if (s.packet->stream_index == s.stream) {
      code = avcodec_send_packet(s.codec, s.packet);
      // A damaged frame is skipped, as players do; the rest of the file plays.
      if (code < 0 && code != AVERROR_INVALIDDATA && code != AVERROR(EAGAIN)) {
        av_packet_unref(s.packet);
        error = "the decoder stopped: " + AvError(code);
        return false;
      }
    }
    av_packet_unref(s.packet);
  }
  return true;
}

std::int64_t AudioDecoder::Read(std::uint8_t* buffer, std::size_t length, std::string& error) {
  State& s = *state_;
  std::size_t given = 0;
  while (given < length) {
    if (s.pending_at == s.pending.size()) {
      if (s.finished) break;
      if (!Refill(error)) return -1;
      continue;
    }
    const std::size_t n = std::min(length - given, s.pending.size() - s.pending_at);
    std::memcpy(buffer + given, s.pending.data() + s.pending_at, n);
    s.pending_at += n;
    given += n;
  }
  return static_cast<std::int64_t>(given);
}
