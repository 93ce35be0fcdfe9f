#include "VideoReader.h"

#include <cstring>
#include <mutex>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace platform {

namespace {

// FFmpeg reports damaged input on stderr; the reader's answer (no frame) is what callers act
// on, and the original library was silent too.
void QuietFfmpeg() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct TFormatCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct TCodecFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TFrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TScalerFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using TFormatPtr = std::unique_ptr<AVFormatContext, TFormatCloser>;
using TCodecPtr = std::unique_ptr<AVCodecContext, TCodecFreer>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFreer>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFreer>;

}  // namespace

struct TVideoReader::TState {
  std::string FileName;
  TFormatPtr Format;
  TCodecPtr Codec;
  TFramePtr Decoded;
  TPacketPtr Packet;
  SwsContext* Scaler = nullptr;  // cached across frames of the same size and format
  int StreamIndex = -1;
  int Width = 0;
  int Height = 0;
  int64_t FrameCount = 0;

  // Index the next decoded frame will have.
  int64_t NextIndex = 0;
  // The first frame that could not be had; nothing at or after it is read again.
  std::optional<int64_t> EndIndex;
  bool Flushing = false;  // the file is exhausted; draining the decoder
  // The most recently delivered frame, so asking for it again decodes nothing.
  TBitmap Last;
  int64_t LastIndex = -1;

  ~TState() { sws_freeContext(Scaler); }

  bool OpenFile(const std::string& fileName, bool countFrames = true);
  bool Rewind();
  bool DecodeNext();
  bool Convert(TBitmap& out);
  int64_t CountPackets();
};

bool TVideoReader::TState::OpenFile(const std::string& fileName, bool countFrames) {
  // AVI files only, the movies the system takes. Other containers are refused in particular
  // because some of them are playlists: they would make the reader fetch other files or URLs,
  // or wait for a live stream to grow. A name that is a URL does not open either.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "format_whitelist", "avi", 0);
  AVFormatContext* raw = nullptr;
  // Named through the file protocol, so a name is always a path: "a:b.avi" is a file, not a
  // protocol "a", and "http://..." is a file name that does not exist.
  const std::string url = "file:" + fileName;
  const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return false;
  Format.reset(raw);
  if (avformat_find_stream_info(Format.get(), nullptr) < 0) return false;

  for (unsigned i = 0; i < Format->nb_streams; ++i) {
    const AVStream* s = Format->streams[i];
    if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        !(s->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      StreamIndex = int(i);
      break;
    }
  }
  if (StreamIndex < 0) return false;
  AVStream* stream = Format->streams[StreamIndex];
  const AVCodecParameters* par = stream->codecpar;
  if (!TBitmap::SizeAllowed(par->width, par->height, pf24bit) || par->width <= 0 ||
      par->height <= 0)
    return false;

  const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
  if (!decoder) return false;
  Codec.reset(avcodec_alloc_context3(decoder));
  if (!Codec || avcodec_parameters_to_context(Codec.get(), par) < 0) return false;
  Codec->thread_count = 1;  // frames in order, one at a time
  if (avcodec_open2(Codec.get(), decoder, nullptr) < 0) return false;

  Decoded.reset(av_frame_alloc());
  Packet.reset(av_packet_alloc());
  if (!Decoded || !Packet) return false;

  // Only the other streams are dropped by the demuxer from here on.
  for (unsigned i = 0; i < Format->nb_streams; ++i)
    if (int(i) != StreamIndex) Format->streams[i]->discard = AVDISCARD_ALL;

  FileName = fileName;
  Width = par->width;
  Height = par->height;
  FrameCount = stream->nb_frames > 0 || !countFrames ? stream->nb_frames : CountPackets();
  return true;
}

// Files that do not state their length: count the stream's packets once, then start again.
int64_t TVideoReader::TState::CountPackets() {
  int64_t count = 0;
  while (av_read_frame(Format.get(), Packet.get()) >= 0) {
    if (Packet->stream_index == StreamIndex) ++count;
    av_packet_unref(Packet.get());
  }
  if (!Rewind()) return 0;
  return count;
}

bool TVideoReader::TState::Rewind() {
  avcodec_flush_buffers(Codec.get());
  NextIndex = 0;
  Flushing = false;
  const AVStream* stream = Format->streams[StreamIndex];
  const int64_t first = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  if (av_seek_frame(Format.get(), StreamIndex, first, AVSEEK_FLAG_BACKWARD) >= 0) return true;
  // A file that cannot seek is read again from its start.
  TState fresh;
  if (!fresh.OpenFile(FileName, /*countFrames=*/false)) return false;
  std::swap(Format, fresh.Format);
  std::swap(Codec, fresh.Codec);
  return true;
}

// Decodes the frame with index NextIndex into Decoded. False at the end of the stream or on
// any read or decode failure.
bool TVideoReader::TState::DecodeNext() {
  for (;;) {
    int r = avcodec_receive_frame(Codec.get(), Decoded.get());
    if (r == 0) {
      ++NextIndex;
      return true;
    }
    if (r != AVERROR(EAGAIN) || Flushing) return false;

    r = av_read_frame(Format.get(), Packet.get());
    if (r < 0) {
      // The end of the file, or a read error: let the decoder give up what it still holds.
      Flushing = true;
      if (avcodec_send_packet(Codec.get(), nullptr) < 0) return false;
      continue;
    }
    if (Packet->stream_index != StreamIndex) {
      av_packet_unref(Packet.get());
      continue;
    }
    r = avcodec_send_packet(Codec.get(), Packet.get());
    av_packet_unref(Packet.get());
    if (r < 0 && r != AVERROR(EAGAIN)) return false;
  }
}

bool TVideoReader::TState::Convert(TBitmap& out) {
  const AVFrame* f = Decoded.get();
  const auto format = AVPixelFormat(f->format);
  if (f->width <= 0 || f->height <= 0 || !TBitmap::SizeAllowed(f->width, f->height, pf24bit) ||
      format == AV_PIX_FMT_NONE)
    return false;
  Scaler = sws_getCachedContext(Scaler, f->width, f->height, format, f->width, f->height,
                                AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!Scaler) return false;

  // Converted into FFmpeg's own aligned buffer first: the converter may write past the end of a
  // row, which a bitmap's 4-byte row padding would not hold.
  uint8_t* data[4] = {};
  int lines[4] = {};
  if (av_image_alloc(data, lines, f->width, f->height, AV_PIX_FMT_BGR24, 32) < 0) return false;
  const int rows = sws_scale(Scaler, f->data, f->linesize, 0, f->height, data, lines);
  bool ok = rows == f->height;
  if (ok) {
    try {
      TBitmap picture(f->width, f->height, pf24bit);
      for (int y = 0; y < f->height; ++y)
        std::memcpy(picture.ScanLine(y), data[0] + size_t(y) * size_t(lines[0]),
                    size_t(f->width) * 3);
      out = std::move(picture);
    } catch (const EBitmapError&) {
      ok = false;
    }
  }
  av_freep(&data[0]);
  return ok;
}

TVideoReader::TVideoReader() = default;
TVideoReader::~TVideoReader() = default;
TVideoReader::TVideoReader(TVideoReader&&) noexcept = default;
TVideoReader& TVideoReader::operator=(TVideoReader&&) noexcept = default;

bool TVideoReader::Open(const std::string& fileName) {
  Close();
  QuietFfmpeg();
  auto state = std::make_unique<TState>();
  if (!state->OpenFile(fileName)) return false;
  state_ = std::move(state);
  return true;
}

void TVideoReader::Close() { state_.reset(); }

bool TVideoReader::IsOpen() const { return state_ != nullptr; }

int TVideoReader::Width() const { return state_ ? state_->Width : 0; }

int TVideoReader::Height() const { return state_ ? state_->Height : 0; }

int64_t TVideoReader::FrameCount() const { return state_ ? state_->FrameCount : 0; }

bool TVideoReader::ReadFrame(int64_t n, TBitmap& frame) {
  if (!state_ || n < 0) return false;
  TState& s = *state_;
  if (n == s.LastIndex) {
    frame = s.Last;
    return true;
  }
  if (s.EndIndex && n >= *s.EndIndex) return false;
  if (n < s.NextIndex && !s.Rewind()) {
    s.EndIndex = 0;
    return false;
  }
  while (s.NextIndex <= n) {
    if (!s.DecodeNext()) {
      s.EndIndex = s.NextIndex;
      return false;
    }
  }
  if (!s.Convert(s.Last)) {
    s.EndIndex = n;
    s.LastIndex = -1;
    return false;
  }
  s.LastIndex = n;
  frame = s.Last;
  return true;
}

}  // namespace platform
