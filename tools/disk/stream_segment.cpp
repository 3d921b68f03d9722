#include "tools/disk/stream_segment.h"

#include <fstream>
#include <utility>

namespace brisca::tools::disk {

bool AddStreamFile(tvfs::DiskImageWriter& writer, uint8_t channel, uint8_t record_type,
                   const std::string& path, StreamSurvey& survey, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  if (!SurveyStream(in, survey, error)) {
    error = path + ": " + error;
    return false;
  }
  tvfs::SegmentDescription segment;
  segment.channel = channel;
  segment.record_type = record_type;
  segment.date = survey.date;
  segment.start = survey.start;
  segment.end = survey.end;
  segment.time_index = survey.time_index;
  segment.data_size = survey.size;
  segment.read_data = [path](uint64_t offset, uint8_t* out, size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(length));
    return file && static_cast<size_t>(file.gcount()) == length;
  };
  if (!writer.AddSegment(std::move(segment), error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace brisca::tools::disk
