// The decoder stand-in over libavcodec's h264 decoder. One libavcodec
// context per handle, one thread and no reordering delay: the recorder's
// streams have no B-frames, so the picture of an access unit comes out on
// the call that feeds it.
#include "platform/hi_h264dec_w/hi_h264dec_w.h"

#include <climits>
#include <cstring>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

constexpr int kRefused = -2;
constexpr int kNoMorePictures = -1;
constexpr uint32_t kMaxMacroblocks = 512;  // per side: 8192 pixels
constexpr uint32_t kAlignmentMargin = 64;  // pixels
// A picture beyond the DPB size from one access unit means the decoder
// misbehaves; stop the input rather than trust it to stop.
constexpr uint32_t kMaxPicturesPerInput = 17;
// Pending pictures discarded before a new input, bounded for the same reason.
constexpr int kMaxStalePictures = 64;

struct Decoder {
  AVCodecContext* context = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;  // the picture last handed out
  uint32_t max_width = 0;
  uint32_t max_height = 0;
  uint32_t pictures_this_input = 0;
  uint32_t serial = 0;
  bool key_seen = false;  // a key-frame picture has come out of this handle

  ~Decoder() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
  }
};

bool IsTryAgain(int result) { return result == AVERROR(EAGAIN); }

bool IsKeyFrame(const AVFrame& frame) {
#ifdef AV_FRAME_FLAG_KEY
  return (frame.flags & AV_FRAME_FLAG_KEY) != 0;
#else
  return frame.key_frame != 0;
#endif
}

uint32_t PictureTypeLetter(AVPictureType type) {
  switch (type) {
    case AV_PICTURE_TYPE_I: return 'I';
    case AV_PICTURE_TYPE_P: return 'P';
    case AV_PICTURE_TYPE_B: return 'B';
    default: return 0;
  }
}

bool OpenCodec(Decoder& decoder) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  if (!codec) return false;
  decoder.context = avcodec_alloc_context3(codec);
  decoder.packet = av_packet_alloc();
  decoder.frame = av_frame_alloc();
  if (!decoder.context || !decoder.packet || !decoder.frame) return false;
  decoder.context->thread_count = 1;
  decoder.context->flags |= AV_CODEC_FLAG_LOW_DELAY;
  // Lets the decoder refuse far oversized pictures before allocating them.
  // libavcodec checks its row-aligned size, hence the margin; the exact
  // limits are checked on each picture.
  decoder.context->max_pixels = static_cast<int64_t>(decoder.max_width + kAlignmentMargin) *
                                (decoder.max_height + kAlignmentMargin);
  return avcodec_open2(decoder.context, codec, nullptr) >= 0;
}

// Empties the decoder's output of pictures the caller did not collect.
void DiscardPending(Decoder& decoder) {
  for (int i = 0; i < kMaxStalePictures; ++i) {
    if (avcodec_receive_frame(decoder.context, decoder.frame) < 0) break;
    av_frame_unref(decoder.frame);
  }
}

int Send(Decoder& decoder, const uint8_t* stream, uint32_t length, uint64_t timestamp) {
  if (length > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) return kRefused;
  // A copy, because the decoder reads a padding past the end of its input.
  if (av_new_packet(decoder.packet, static_cast<int>(length)) < 0) return kRefused;
  std::memcpy(decoder.packet->data, stream, length);
  decoder.packet->pts = static_cast<int64_t>(timestamp);
  DiscardPending(decoder);
  const int result = avcodec_send_packet(decoder.context, decoder.packet);
  av_packet_unref(decoder.packet);
  decoder.pictures_this_input = 0;
  return result < 0 ? kRefused : 0;
}

bool Acceptable(const Decoder& decoder, const AVFrame& frame) {
  if (frame.format != AV_PIX_FMT_YUV420P && frame.format != AV_PIX_FMT_YUVJ420P) return false;
  if (frame.width <= 0 || frame.height <= 0) return false;
  if (static_cast<uint32_t>(frame.width) > decoder.max_width ||
      static_cast<uint32_t>(frame.height) > decoder.max_height) {
    return false;
  }
  if (!frame.data[0] || !frame.data[1] || !frame.data[2]) return false;
  return frame.linesize[0] >= frame.width && frame.linesize[1] >= (frame.width + 1) / 2 &&
         frame.linesize[1] == frame.linesize[2];
}

void Describe(Decoder& decoder, const AVFrame& frame, H264_DEC_FRAME& picture) {
  const bool key = IsKeyFrame(frame);
  if (key) decoder.key_seen = true;
  const bool clean = frame.decode_error_flags == 0 && (frame.flags & AV_FRAME_FLAG_CORRUPT) == 0;
  picture.luma = frame.data[0];
  picture.chroma_u = frame.data[1];
  picture.chroma_v = frame.data[2];
  picture.width = static_cast<uint32_t>(frame.width);
  picture.height = static_cast<uint32_t>(frame.height);
  picture.luma_stride = static_cast<uint32_t>(frame.linesize[0]);
  picture.chroma_stride = static_cast<uint32_t>(frame.linesize[1]);
  picture.timestamp = static_cast<uint64_t>(frame.pts);
  picture.key_frame = key ? 1 : 0;
  picture.picture_type = PictureTypeLetter(frame.pict_type);
  picture.decode_errors = static_cast<uint32_t>(frame.decode_error_flags);
  picture.serial = ++decoder.serial;
  const bool aspect_known = frame.sample_aspect_ratio.num > 0 && frame.sample_aspect_ratio.den > 0;
  picture.aspect_num = aspect_known ? static_cast<uint32_t>(frame.sample_aspect_ratio.num) : 0;
  picture.aspect_den = aspect_known ? static_cast<uint32_t>(frame.sample_aspect_ratio.den) : 1;
  picture.complete = clean && decoder.key_seen ? 1 : 0;
}

// Hands out the next picture of the current input.
int Receive(Decoder& decoder, H264_DEC_FRAME& picture) {
  if (decoder.pictures_this_input >= kMaxPicturesPerInput) return kNoMorePictures;
  const int result = avcodec_receive_frame(decoder.context, decoder.frame);
  if (IsTryAgain(result)) return kNoMorePictures;
  if (result < 0) return kRefused;
  ++decoder.pictures_this_input;
  if (!Acceptable(decoder, *decoder.frame)) {
    av_frame_unref(decoder.frame);
    return kRefused;
  }
  Describe(decoder, *decoder.frame, picture);
  return 0;
}

}  // namespace

extern "C" {

void* Hi264DecCreate(const H264_DEC_ATTR* attr) {
  if (!attr) return nullptr;
  const uint32_t width_mbs = attr->word[2];
  const uint32_t height_mbs = attr->word[3];
  if (width_mbs == 0 || height_mbs == 0 || width_mbs > kMaxMacroblocks ||
      height_mbs > kMaxMacroblocks) {
    return nullptr;
  }
  auto* decoder = new (std::nothrow) Decoder;
  if (!decoder) return nullptr;
  decoder->max_width = width_mbs * 16;
  decoder->max_height = height_mbs * 16;
  if (!OpenCodec(*decoder)) {
    delete decoder;
    return nullptr;
  }
  return decoder;
}

int Hi264DecFrame(void* handle, const uint8_t* stream, uint32_t length, uint64_t timestamp,
                  H264_DEC_FRAME* picture, uint32_t /*flags*/) {
  if (!handle || !picture) return kRefused;
  if (!stream && length != 0) return kRefused;
  auto& decoder = *static_cast<Decoder*>(handle);
  // The previous picture's planes are released here, as documented.
  av_frame_unref(decoder.frame);
  if (length != 0) {
    const int sent = Send(decoder, stream, length, timestamp);
    if (sent != 0) return sent;
  }
  return Receive(decoder, *picture);
}

void Hi264DecDestroy(void* handle) { delete static_cast<Decoder*>(handle); }

}  // extern "C"
