// Signal-to-noise ratio of decoded voice against the signal that was encoded.
// usage: pcm_snr REFERENCE.s16le DECODED.s16le MIN_DB
// Prints the ratio in dB; exits 1 when the files differ in length or the ratio
// is below MIN_DB, so an encoder that writes valid but wrong codes is caught.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<int16_t> ReadSamples(const char* path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto low = static_cast<uint8_t>(bytes[2 * i]);
    const auto high = static_cast<uint8_t>(bytes[2 * i + 1]);
    samples[i] = static_cast<int16_t>(low | (high << 8));
  }
  return samples;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pcm_snr REFERENCE DECODED MIN_DB\n");
    return 2;
  }
  const std::vector<int16_t> reference = ReadSamples(argv[1]);
  const std::vector<int16_t> decoded = ReadSamples(argv[2]);
  const double minimum = std::atof(argv[3]);
  if (reference.empty() || reference.size() != decoded.size()) {
    std::printf("length mismatch: %zu reference samples, %zu decoded\n", reference.size(),
                decoded.size());
    return 1;
  }
  double signal = 0;
  double noise = 0;
  for (size_t i = 0; i < reference.size(); ++i) {
    const double expected = reference[i];
    const double error = expected - decoded[i];
    signal += expected * expected;
    noise += error * error;
  }
  const double snr = noise > 0 ? 10 * std::log10(signal / noise) : 999;
  std::printf("SNR %.1f dB (minimum %.1f)\n", snr, minimum);
  return snr >= minimum ? 0 : 1;
}
