#include "tools/brisca/wav_header.h"

namespace brisca::tools {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<uint8_t> ImaAdpcmWavHeader(size_t data_size, size_t block_size) {
  constexpr uint32_t kSampleRate = 8000;
  constexpr uint32_t kFmtSize = 20;
  // A block holds its first sample in the header and two samples per byte
  // after the 4 header bytes.
  const uint32_t samples_per_block = static_cast<uint32_t>((block_size - 4) * 2 + 1);
  const uint32_t data = static_cast<uint32_t>(data_size);
  std::vector<uint8_t> out;
  out.reserve(48);
  PutTag(out, "RIFF");
  Put32(out, 4 + 8 + kFmtSize + 8 + data);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, kFmtSize);
  Put16(out, 0x11);  // IMA ADPCM
  Put16(out, 1);     // mono
  Put32(out, kSampleRate);
  Put32(out, static_cast<uint32_t>(kSampleRate * block_size / samples_per_block));
  Put16(out, static_cast<uint32_t>(block_size));
  Put16(out, 4);  // bits per sample
  Put16(out, 2);  // extension size
  Put16(out, samples_per_block);
  PutTag(out, "data");
  Put32(out, data);
  return out;
}

}  // namespace brisca::tools
