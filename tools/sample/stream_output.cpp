#include "tools/sample/stream_output.h"

#include <stdexcept>
#include <utility>

#include "tools/sample/stream_damage.h"

namespace brisca::tools::sample {
namespace {

// Keeps the damage sequence apart from the route drawn from the same seed.
constexpr uint64_t kDamageSeedSalt = 0x9E3779B97F4A7C15ull;

}  // namespace

StreamOutput::StreamOutput(std::ostream& stream, std::ostream* truth,
                           const DamageSettings& settings)
    : stream_(stream),
      truth_(truth),
      settings_(settings),
      random_(settings.seed ^ kDamageSeedSalt) {}

void StreamOutput::Put(std::vector<uint8_t> frame, std::string truth_lines) {
  if (holding_) Write(held_frame_, held_truth_, false);
  held_frame_ = std::move(frame);
  held_truth_ = std::move(truth_lines);
  holding_ = true;
}

void StreamOutput::Finish() {
  if (holding_) Write(held_frame_, held_truth_, true);
  holding_ = false;
  stream_.flush();
  if (truth_ != nullptr) truth_->flush();
  if (!stream_ || (truth_ != nullptr && !*truth_)) {
    throw std::runtime_error("writing the output failed");
  }
}

void StreamOutput::Write(const std::vector<uint8_t>& frame,
                         const std::string& truth_lines, bool last) {
  const uint32_t number = ++counts_.frames;  // 1 for the first frame
  if (settings_.noise_every != 0 && number % settings_.noise_every == 0) {
    const std::vector<uint8_t> noise = MakeNoise(random_);
    WriteBytes(noise.data(), noise.size());
    ++counts_.noise_runs;
  }
  if (last && settings_.truncate_end) {
    WriteBytes(frame.data(), frame.size() / 2);
    return;
  }
  const bool tear = settings_.tear_every != 0 && number > 1 &&
                    number % settings_.tear_every == 0;
  const size_t tail = tear ? TearOffset(frame) : frame.size();
  if (tear && tail < frame.size()) {
    WriteBytes(frame.data() + tail, frame.size() - tail);
    ++counts_.torn;
    return;
  }
  WriteBytes(frame.data(), frame.size());
  if (truth_ != nullptr) *truth_ << truth_lines;
}

void StreamOutput::WriteBytes(const uint8_t* data, size_t size) {
  stream_.write(reinterpret_cast<const char*>(data),
                static_cast<std::streamsize>(size));
  counts_.bytes += size;
}

}  // namespace brisca::tools::sample
