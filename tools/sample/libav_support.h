// Ownership and error helpers for the libavcodec objects the generator uses.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

namespace brisca::tools::sample {

struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// True for the result that means "no packet until more input or a flush".
inline bool IsTryAgain(int result) { return result == AVERROR(EAGAIN); }

// True for the result that means "the flushed encoder is empty". FFmpeg's
// macro for it is written with a C cast.
inline bool IsEndOfStream(int result) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
  return result == AVERROR_EOF;
#pragma GCC diagnostic pop
}

// Throws std::runtime_error naming `what` when `result` is an error code.
inline void CheckAv(int result, const char* what) {
  if (result >= 0) return;
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(result, text, sizeof text);
  throw std::runtime_error(std::string(what) + ": " + text);
}

// Allocated object or std::runtime_error naming `what`.
template <typename T>
T* CheckAlloc(T* object, const char* what) {
  if (object == nullptr) throw std::runtime_error(std::string("out of memory: ") + what);
  return object;
}

}  // namespace brisca::tools::sample
