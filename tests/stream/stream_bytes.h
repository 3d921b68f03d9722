// Test helper: builds stream frames byte by byte, including malformed ones.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace brisca::testing {

using Bytes = std::vector<uint8_t>;

inline void PutLe32(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutLe16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// An extension item: word (tag, size) and body; `size` 0 means the real size.
inline Bytes Item(uint8_t tag, const Bytes& body, uint32_t size = 0) {
  Bytes item;
  PutLe32(item, tag | ((size ? size : static_cast<uint32_t>(body.size() + 4)) << 8));
  item.insert(item.end(), body.begin(), body.end());
  return item;
}

inline Bytes TimestampItem(uint64_t ms) {
  Bytes body;
  PutLe32(body, static_cast<uint32_t>(ms));
  PutLe32(body, static_cast<uint32_t>(ms >> 32));
  return Item(3, body);
}

inline Bytes ClockItem(int year, int month, int day, int hour, int minute, int second) {
  return Item(2, {static_cast<uint8_t>(year - 2000), static_cast<uint8_t>(month),
                  static_cast<uint8_t>(day), static_cast<uint8_t>(hour),
                  static_cast<uint8_t>(minute), static_cast<uint8_t>(second), 0, 0});
}

inline Bytes VideoFormatItem(uint32_t width, uint32_t height, uint32_t fps) {
  Bytes body;
  PutLe32(body, width | (height << 12) | (fps << 24));
  return Item(1, body);
}

struct GpsFields {
  char status = 'A';
  uint32_t knots_milli = 0;
  uint8_t lat_deg = 22, lat_min = 32;
  uint8_t lon_deg = 114, lon_min = 3;
  uint32_t lat_frac = 5860000, lon_frac = 4740000;  // 10^-7 minute
  uint16_t heading = 9000;
  char ns = 'N', ew = 'E';
};

inline Bytes GpsItem(const GpsFields& g) {
  Bytes body;
  PutLe32(body, static_cast<uint8_t>(g.status) | (g.knots_milli << 8));
  body.insert(body.end(), {g.lat_deg, g.lat_min, g.lon_deg, g.lon_min});
  PutLe32(body, g.lat_frac);
  PutLe32(body, g.lon_frac);
  PutLe16(body, g.heading);
  PutLe16(body, 0);
  body.push_back(static_cast<uint8_t>(g.ns));
  body.push_back(static_cast<uint8_t>(g.ew));
  body.insert(body.end(), {0, 0});
  return Item(9, body);
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A whole frame of type `type` ('2'..'6') with the given items and payload.
inline Bytes Frame(char type, const Bytes& items, const Bytes& payload,
                   uint8_t stream_byte = 1) {
  Bytes out{stream_byte, static_cast<uint8_t>(type), 'd', 'c'};
  PutLe32(out, static_cast<uint32_t>(payload.size()));
  PutLe32(out, static_cast<uint32_t>(items.size()));
  out.insert(out.end(), items.begin(), items.end());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// A frame whose total size (12 + items + payload) is exactly `total`.
inline Bytes FrameOfSize(char type, uint32_t total, uint64_t timestamp = 0) {
  const Bytes items = TimestampItem(timestamp);
  return Frame(type, items, Bytes(total - 12 - items.size(), 0xAB));
}

inline Bytes Payload(size_t size, uint8_t seed) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 7);
  return out;
}

}  // namespace brisca::testing
