#include "tools/brisca/play_script.h"

#include <array>
#include <charconv>
#include <system_error>

namespace brisca::tools {
namespace {

struct StepRule {
  StepKind kind;
  const char* word;
  int64_t low;
  int64_t high;
  const char* takes;
};

// Rates as --rate takes them; seeks fit the library's 32-bit milliseconds.
constexpr std::array<StepRule, 6> kRules = {{
    {StepKind::kWait, "wait", 0, 86400000, "milliseconds from 0 to 86400000"},
    {StepKind::kPause, "pause", 0, 86400000, "milliseconds from 0 to 86400000"},
    {StepKind::kSeek, "seek", 0, 2147483647, "milliseconds from 0 to 2147483647"},
    {StepKind::kRate, "rate", -32, 32, "a rate from -32 to 32"},
    {StepKind::kReverse, "reverse", -32, 32, "a rate from -32 to 32"},
    {StepKind::kStep, "step", 1, 10000, "a count from 1 to 10000"},
}};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

const char* StepWord(StepKind kind) {
  for (const StepRule& rule : kRules)
    if (rule.kind == kind) return rule.word;
  return "?";
}

std::optional<std::vector<ScriptStep>> ParseScript(std::string_view text, std::string& error) {
  if (Trim(text).empty()) {
    error = "the script has no steps";
    return std::nullopt;
  }
  std::vector<ScriptStep> steps;
  size_t place = 0;
  for (;;) {
    ++place;
    const size_t semicolon = text.find(';');
    const std::string_view step = Trim(text.substr(0, semicolon));
    const std::string where = "step " + std::to_string(place);
    if (step.empty()) {
      error = where + " is empty";
      return std::nullopt;
    }
    size_t word_end = 0;
    while (word_end < step.size() && !IsSpace(step[word_end])) ++word_end;
    const std::string_view word = step.substr(0, word_end);
    const std::string_view number = Trim(step.substr(word_end));
    const StepRule* rule = nullptr;
    for (const StepRule& candidate : kRules)
      if (word == candidate.word) rule = &candidate;
    if (!rule) {
      error = where + ": unknown step \"" + std::string(word) +
              "\" (wait, pause, seek, rate, reverse or step)";
      return std::nullopt;
    }
    int64_t value = 0;
    const char* const last = number.data() + number.size();
    const auto [end, result] = std::from_chars(number.data(), last, value);
    if (number.empty() || result != std::errc() || end != last || value < rule->low ||
        value > rule->high) {
      error = where + ": \"" + std::string(step) + "\": " + rule->word + " takes " + rule->takes;
      return std::nullopt;
    }
    steps.push_back({rule->kind, value});
    if (semicolon == std::string_view::npos) break;
    text.remove_prefix(semicolon + 1);
  }
  return steps;
}

}  // namespace brisca::tools
