#include "tools/sample/video_encoder.h"

#include <string>

extern "C" {
#include <libavutil/opt.h>
}

namespace brisca::tools::sample {

VideoEncoder::VideoEncoder(const VideoSettings& settings)
    : frame_(CheckAlloc(av_frame_alloc(), "video frame")),
      packet_(CheckAlloc(av_packet_alloc(), "video packet")) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) throw std::runtime_error("libavcodec has no libx264 encoder");
  context_.reset(CheckAlloc(avcodec_alloc_context3(codec), "video encoder"));
  context_->width = settings.width;
  context_->height = settings.height;
  context_->pix_fmt = AV_PIX_FMT_YUV420P;
  context_->time_base = AVRational{1, settings.fps};
  context_->framerate = AVRational{settings.fps, 1};
  context_->gop_size = settings.keyint;
  context_->keyint_min = settings.keyint;
  context_->max_b_frames = 0;
  context_->thread_count = 1;
  // Repeated headers make every key frame decodable on its own; without
  // scene cuts key frames fall exactly every `keyint` pictures.
  void* options = context_->priv_data;
  CheckAv(av_opt_set(options, "preset", "veryfast", 0), "x264 preset");
  CheckAv(av_opt_set(options, "crf", "28", 0), "x264 crf");
  CheckAv(av_opt_set(options, "x264-params", "repeat-headers=1:scenecut=0", 0),
          "x264 parameters");
  CheckAv(avcodec_open2(context_.get(), codec, nullptr), "opening libx264");

  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = settings.width;
  frame_->height = settings.height;
  CheckAv(av_frame_get_buffer(frame_.get(), 0), "video frame buffer");
}

Yuv420Picture VideoEncoder::NextPicture() {
  // The encoder may still reference the previous buffer.
  CheckAv(av_frame_make_writable(frame_.get()), "video frame buffer");
  Yuv420Picture picture;
  for (int plane = 0; plane < 3; ++plane) {
    picture.planes[plane] = frame_->data[plane];
    picture.strides[plane] = frame_->linesize[plane];
  }
  picture.width = frame_->width;
  picture.height = frame_->height;
  return picture;
}

void VideoEncoder::Encode(std::deque<EncodedPicture>& ready) {
  frame_->pts = next_index_++;
  CheckAv(avcodec_send_frame(context_.get(), frame_.get()), "encoding video");
  Drain(ready);
}

void VideoEncoder::Flush(std::deque<EncodedPicture>& ready) {
  CheckAv(avcodec_send_frame(context_.get(), nullptr), "flushing video");
  Drain(ready);
}

void VideoEncoder::Drain(std::deque<EncodedPicture>& ready) {
  for (;;) {
    const int result = avcodec_receive_packet(context_.get(), packet_.get());
    if (IsTryAgain(result) || IsEndOfStream(result)) return;
    CheckAv(result, "encoding video");
    if (packet_->pts < 0) throw std::runtime_error("video packet without a picture number");
    EncodedPicture picture;
    picture.index = static_cast<uint64_t>(packet_->pts);
    picture.key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    picture.data.assign(packet_->data, packet_->data + packet_->size);
    ready.push_back(std::move(picture));
    av_packet_unref(packet_.get());
  }
}

}  // namespace brisca::tools::sample
