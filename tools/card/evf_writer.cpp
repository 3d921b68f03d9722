#include "tools/card/evf_writer.h"

#include <algorithm>
#include <stdexcept>

#include "brisca/card/evf_layout.h"

namespace brisca::tools::card {
namespace {

struct BlockPlan {
  size_t video_begin = 0, video_end = 0;
  size_t audio_begin = 0, audio_end = 0;
};

std::vector<BlockPlan> PlanBlocks(const CardRecordingFrames& frames, uint32_t per_block) {
  std::vector<BlockPlan> plans;
  size_t audio = 0;
  for (size_t v = 0; v < frames.video.size(); v += per_block) {
    BlockPlan plan;
    plan.video_begin = v;
    plan.video_end = std::min(frames.video.size(), v + per_block);
    plan.audio_begin = audio;
    const bool last = plan.video_end == frames.video.size();
    while (audio < frames.audio.size() && audio - plan.audio_begin < evf::kMaxAudioEntries &&
           (last || frames.audio[audio].timestamp_us < frames.video[plan.video_end].timestamp_us))
      ++audio;
    plan.audio_end = audio;
    plans.push_back(plan);
  }
  return plans;
}

uint32_t Offset32(uint64_t offset) {
  if (offset > UINT32_MAX) throw std::runtime_error("evf recording larger than 4 GiB");
  return static_cast<uint32_t>(offset);
}

void Put(std::ostream& out, const void* data, size_t size, uint64_t& position) {
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write the evf container");
  position += size;
}

}  // namespace

uint64_t WriteEvfRecording(std::ostream& out, const CardRecordingFrames& frames,
                           uint32_t video_per_block) {
  if (video_per_block == 0 || video_per_block > evf::kMaxVideoEntries)
    throw std::invalid_argument("video entries per block must be 1-3000");
  const std::vector<BlockPlan> plans = PlanBlocks(frames, video_per_block);
  const auto header = evf::MakeHeader(frames.frame_rate, static_cast<uint32_t>(plans.size()));
  uint64_t position = 0;
  Put(out, header.data(), header.size(), position);
  std::vector<uint8_t> block(evf::kBlockSize);
  for (const BlockPlan& plan : plans) {
    const uint64_t block_start = position;
    evf::InitBlock(block.data());
    const uint32_t video_count = static_cast<uint32_t>(plan.video_end - plan.video_begin);
    const uint32_t audio_count = static_cast<uint32_t>(plan.audio_end - plan.audio_begin);
    evf::SetCounts(block.data(), video_count, audio_count);
    // Lay the data out first, so the entries know their offsets.
    std::vector<const CardFrame*> order;
    uint64_t data_position = block_start + evf::kBlockSize;
    auto place = [&](const CardFrame& frame, bool video, uint32_t index) {
      evf::Entry entry;
      entry.offset = Offset32(data_position);
      entry.length = static_cast<uint32_t>(frame.data.size());
      entry.timestamp = frame.timestamp_us;
      entry.type = frame.key ? evf::kKeyFrameType : 1;
      if (video) {
        evf::SetVideoEntry(block.data(), index, entry);
      } else {
        evf::SetAudioEntry(block.data(), index, entry);
      }
      data_position += frame.data.size();
      order.push_back(&frame);
    };
    for (uint32_t j = 0; j < std::max(video_count, audio_count); ++j) {
      if (j < video_count) place(frames.video[plan.video_begin + j], true, j);
      if (j < audio_count) place(frames.audio[plan.audio_begin + j], false, j);
    }
    evf::SetBlockLength(block.data(), Offset32(data_position - block_start));
    Put(out, block.data(), block.size(), position);
    for (const CardFrame* frame : order) Put(out, frame->data.data(), frame->data.size(), position);
  }
  return position;
}

}  // namespace brisca::tools::card
