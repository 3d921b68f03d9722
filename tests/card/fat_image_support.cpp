#include "tests/card/fat_image_support.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace brisca::testing {

FatTempFolder::FatTempFolder() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "brisca-fat-" + std::to_string(::getpid());
  if (test) name += std::string("-") + test->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

FatTempFolder::~FatTempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''"; else quoted += c;
  }
  return quoted + "'";
}

Bytes RunTool(const std::string& command) {
  const std::string full = "MTOOLS_SKIP_CHECK=1 " + command;
  Bytes output;
  std::FILE* pipe = ::popen(full.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << full;
    return output;
  }
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.insert(output.end(), chunk, chunk + got);
  const int status = ::pclose(pipe);
  if (status != 0) ADD_FAILURE() << full << " failed with status " << status;
  return output;
}

void MakeFat(const std::string& image, const std::string& options, uint64_t kib) {
  std::filesystem::remove(image);
  const std::string sector = options.find("-S ") == std::string::npos ? "-S 4096 " : "";
  RunTool("mkfs.fat -C " + sector + options + " " + Quoted(image) + " " + std::to_string(kib) +
          " >/dev/null");
}

void CopyIn(const std::string& image, const std::string& volume_path, const Bytes& bytes) {
  const std::string host = image + ".in";
  WriteWhole(host, bytes);
  RunTool("mcopy -o -i " + Quoted(image) + " " + Quoted(host) + " " + Quoted("::" + volume_path));
  std::filesystem::remove(host);
}

void MakeFolder(const std::string& image, const std::string& volume_path) {
  RunTool("mmd -i " + Quoted(image) + " " + Quoted("::" + volume_path));
}

void Delete(const std::string& image, const std::string& volume_path) {
  RunTool("mdel -i " + Quoted(image) + " " + Quoted("::" + volume_path));
}

Bytes Mtype(const std::string& image, const std::string& volume_path) {
  return RunTool("mtype -i " + Quoted(image) + " " + Quoted("::" + volume_path));
}

std::string ToCp936(const std::string& utf8) {
  iconv_t converter = iconv_open("CP936", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "no CP936 converter";
    return {};
  }
  std::string input = utf8;
  std::string output(utf8.size() * 2 + 4, '\0');
  char* in = input.data();
  size_t in_left = input.size();
  char* out = output.data();
  size_t out_left = output.size();
  if (iconv(converter, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
    ADD_FAILURE() << "not in code page 936: " << utf8;
  }
  iconv_close(converter);
  output.resize(output.size() - out_left);
  return output;
}

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWhole(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

Bytes ReadHead(const std::string& path, size_t size) {
  std::ifstream in(path, std::ios::binary);
  Bytes bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

void WriteHead(const std::string& path, const Bytes& bytes) {
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

uint32_t Get32(const Bytes& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes.at(offset) | bytes.at(offset + 1) << 8 |
                               bytes.at(offset + 2) << 16) | static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

uint16_t Get16(const Bytes& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
}

void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = static_cast<uint8_t>(value);
  bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

FatGeometry ReadGeometry(const Bytes& image, uint64_t base) {
  const size_t b = static_cast<size_t>(base);
  FatGeometry g;
  g.base = base;
  g.sector = Get16(image, b + 11);
  g.per_cluster = image.at(b + 13);
  g.reserved = Get16(image, b + 14);
  g.fats = image.at(b + 16);
  g.root_entries = Get16(image, b + 17);
  g.total = Get16(image, b + 19) != 0 ? Get16(image, b + 19) : Get32(image, b + 32);
  g.fat_size = Get16(image, b + 22) != 0 ? Get16(image, b + 22) : Get32(image, b + 36);
  return g;
}

size_t FindShortEntry(const Bytes& image, uint64_t dir_offset, size_t entries,
                      const std::string& short_name) {
  for (size_t i = 0; i < entries; ++i) {
    const size_t offset = static_cast<size_t>(dir_offset) + 32 * i;
    if (offset + 32 > image.size()) break;
    if (std::memcmp(&image[offset], short_name.data(), 11) == 0) return offset;
  }
  ADD_FAILURE() << "no entry " << short_name;
  return 0;
}

}  // namespace brisca::testing
