#include "tools/disk/disk_summary.h"

#include <set>

#include "tools/disk/record_causes.h"

namespace brisca::tools::disk {

void PrintDiskSummary(std::FILE* out, const std::string& path, uint32_t disk_number,
                      const tvfs::WriteReport& report) {
  std::set<tvfs::DiskDate> dates;
  for (const auto& segment : report.segments) dates.insert(segment.date);
  std::fprintf(out, "wrote %s: disk %u, %zu segments on %zu dates, %llu bytes\n", path.c_str(),
               disk_number, report.segments.size(), dates.size(),
               static_cast<unsigned long long>(report.image_size));
  for (const auto& s : report.segments) {
    const std::string names = CauseNames(s.record_type);
    const std::string causes = names.empty() ? "" : " (" + names + ")";
    std::fprintf(out,
                 "  %04d-%02u-%02u %02u:%02u:%02u-%02u:%02u:%02u channel %u type 0x%02x%s "
                 "%u\\%u\\%u: %llu bytes, %zu index entries\n",
                 2000 + s.date.year, s.date.month, s.date.day, s.start.hour, s.start.minute,
                 s.start.second, s.end.hour, s.end.minute, s.end.second, s.channel, s.record_type,
                 causes.c_str(),
                 s.id.disk, s.id.number[0], s.id.number[1],
                 static_cast<unsigned long long>(s.data_size), s.index_entries);
  }
}

}  // namespace brisca::tools::disk
