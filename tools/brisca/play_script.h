// The steps of `brisca play --script`: what to do to the playing channels,
// one step after another, from the moment playing starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisca::tools {

enum class StepKind {
  kWait,     // play on for `value` ms
  kPause,    // pause every channel, hold `value` ms, resume
  kSeek,     // BR_SetPlayTime(value)
  kRate,     // BR_SetPlayRate(value, forward)
  kReverse,  // BR_SetPlayRate(value, backward)
  kStep,     // `value` single frames, 100 ms apart
};

struct ScriptStep {
  StepKind kind = StepKind::kWait;
  int64_t value = 0;
};

inline constexpr int64_t kStepIntervalMs = 100;

// The word a step is written with.
const char* StepWord(StepKind kind);

// Every step but a wait changes what the channels do.
inline bool IsAction(StepKind kind) { return kind != StepKind::kWait; }

// Parses "STEP; STEP; ...". On failure returns nothing and says why in
// `error`, naming the step by its place.
std::optional<std::vector<ScriptStep>> ParseScript(std::string_view text, std::string& error);

}  // namespace brisca::tools
