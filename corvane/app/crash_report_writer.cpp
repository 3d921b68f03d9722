#include "corvane/app/crash_report_writer.h"

#include <fcntl.h>
#include <link.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr size_t kLineLimit = 1024;
constexpr int kMaxFrames = 256;

__attribute__((format(printf, 2, 3))) void Line(int fd, const char* format,
                                                ...) {
  char line[kLineLimit + 1];
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  if (length <= 0) return;
  const size_t size = static_cast<size_t>(length) < kLineLimit
                          ? static_cast<size_t>(length)
                          : kLineLimit;
  ssize_t ignored = write(fd, line, size);
  static_cast<void>(ignored);
}

struct FaultName {
  unsigned code;
  const char* name;
};

// The fault as the traditional exception code and name.
FaultName NameFault(int signal, int code) {
  switch (signal) {
    case SIGSEGV:
      return {0xC0000005u, "ACCESS_VIOLATION"};
    case SIGBUS:
      return code == BUS_ADRALN ? FaultName{0x80000002u, "DATATYPE_MISALIGNMENT"}
                                : FaultName{0xC0000006u, "IN_PAGE_ERROR"};
    case SIGILL:
      return code == ILL_PRVOPC || code == ILL_PRVREG
                 ? FaultName{0xC0000096u, "PRIV_INSTRUCTION"}
                 : FaultName{0xC000001Du, "ILLEGAL_INSTRUCTION"};
    case SIGTRAP:
      return code == TRAP_TRACE ? FaultName{0x80000004u, "SINGLE_STEP"}
                                : FaultName{0x80000003u, "BREAKPOINT"};
    case SIGFPE:
      switch (code) {
        case FPE_INTDIV: return {0xC0000094u, "INT_DIVIDE_BY_ZERO"};
        case FPE_INTOVF: return {0xC0000095u, "INT_OVERFLOW"};
        case FPE_FLTDIV: return {0xC000008Eu, "FLT_DIVIDE_BY_ZERO"};
        case FPE_FLTOVF: return {0xC0000091u, "FLT_OVERFLOW"};
        case FPE_FLTUND: return {0xC0000093u, "FLT_UNDERFLOW"};
        case FPE_FLTRES: return {0xC000008Fu, "FLT_INEXACT_RESULT"};
        case FPE_FLTSUB: return {0xC000008Cu, "ARRAY_BOUNDS_EXCEEDED"};
        default: return {0xC0000090u, "FLT_INVALID_OPERATION"};
      }
    default: {
      const char* abbrev = sigabbrev_np(signal);
      return {static_cast<unsigned>(signal), abbrev ? abbrev : ""};
    }
  }
}

// Section-relative place of an address: the 1-based loadable segment of
// the module that holds it and the offset from that segment's start.
struct LogicalAddress {
  uintptr_t address = 0;
  unsigned section = 0;
  uintptr_t offset = 0;
  const char* module = "";
};

char g_programPath[4096];

int FindSegment(dl_phdr_info* info, size_t, void* data) {
  auto* place = static_cast<LogicalAddress*>(data);
  unsigned loadable = 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD) continue;
    ++loadable;
    const uintptr_t start = info->dlpi_addr + header.p_vaddr;
    if (place->address >= start && place->address - start < header.p_memsz) {
      place->section = loadable;
      place->offset = place->address - start;
      place->module = info->dlpi_name;
      if (place->module[0] == '\0') {
        const ssize_t n = readlink("/proc/self/exe", g_programPath,
                                   sizeof(g_programPath) - 1);
        g_programPath[n > 0 ? n : 0] = '\0';
        place->module = g_programPath;
      }
      return 1;
    }
  }
  return 0;
}

LogicalAddress Locate(uintptr_t address) {
  LogicalAddress place;
  place.address = address;
  dl_iterate_phdr(FindSegment, &place);
  return place;
}

// True when `size` bytes at `address` can be read; a failed read reports
// EFAULT instead of faulting again inside the handler.
bool Readable(uintptr_t address, void* out, size_t size) {
  iovec local{out, size};
  iovec remote{reinterpret_cast<void*>(address), size};
  return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) ==
         static_cast<ssize_t>(size);
}

// Value of "key : value" in /proc/cpuinfo's first processor, or nullptr.
const char* CpuField(char* cpuinfo, const char* key, char* out, size_t size) {
  const size_t keyLength = std::strlen(key);
  for (char* line = cpuinfo; line && *line;) {
    char* end = std::strchr(line, '\n');
    if (std::strncmp(line, key, keyLength) == 0) {
      const char* colon = std::strchr(line, ':');
      if (colon && (!end || colon < end)) {
        ++colon;
        while (*colon == ' ') ++colon;
        const size_t n = static_cast<size_t>((end ? end : colon + std::strlen(colon)) - colon);
        const size_t copied = n < size - 1 ? n : size - 1;
        std::memcpy(out, colon, copied);
        out[copied] = '\0';
        return out;
      }
    }
    line = end ? end + 1 : nullptr;
  }
  return nullptr;
}

void WriteProcessorLine(int fd) {
  static char cpuinfo[16384];
  cpuinfo[0] = '\0';
  const int in = open("/proc/cpuinfo", O_RDONLY | O_CLOEXEC);
  if (in >= 0) {
    const ssize_t n = read(in, cpuinfo, sizeof(cpuinfo) - 1);
    cpuinfo[n > 0 ? n : 0] = '\0';
    close(in);
  }
  char value[256];
  const char* vendor = CpuField(cpuinfo, "vendor_id", value, sizeof(value));
  Line(fd, "Vendor: %s", vendor ? vendor : "Unknown");
  const char* mhz = CpuField(cpuinfo, "cpu MHz", value, sizeof(value));
  if (mhz) {
    Line(fd, ", Speed: %dMHz, ", static_cast<int>(std::strtol(mhz, nullptr, 10)));
  } else {
    Line(fd, ", Speed: Unknown, ");
  }
  const char* model = CpuField(cpuinfo, "model name", value, sizeof(value));
  Line(fd, "Type: %s, ", model ? model : "Unknown");
  Line(fd, "Number Of Processors: %lu, ",
       static_cast<unsigned long>(sysconf(_SC_NPROCESSORS_ONLN)));
#if defined(__x86_64__)
  Line(fd, "Architecture: x86_64, ");
#elif defined(__aarch64__)
  Line(fd, "Architecture: AArch64, ");
#else
  Line(fd, "Architecture: Unknown, ");
#endif
  const char* family = CpuField(cpuinfo, "cpu family", value, sizeof(value));
  Line(fd, "Level: %s, ", family ? family : "Unknown");
  const char* stepping = CpuField(cpuinfo, "stepping", value, sizeof(value));
  Line(fd, "Stepping: %s", stepping ? stepping : "Unknown");
}

void WriteMemoryLine(int fd) {
  struct sysinfo memory {};
  sysinfo(&memory);
  const unsigned long unit = memory.mem_unit ? memory.mem_unit : 1;
  const unsigned long total = memory.totalram * unit >> 10;
  const unsigned long available = memory.freeram * unit >> 10;
  const unsigned long load = total ? (total - available) * 100 / total : 0;
  Line(fd, "Memory Used %lu%%, Total Physical Memory %luKB, Physical Memory Available %luKB, ",
       load, total, available);
  Line(fd, "Total Virtual Memory %luKB, Available Virtual Memory %luKB, ",
       total + (memory.totalswap * unit >> 10),
       available + (memory.freeswap * unit >> 10));
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  Line(fd, "Working Set Min: %luKB Max: %luKB .\r\n", 0ul,
       static_cast<unsigned long>(usage.ru_maxrss));
}

struct Frame {
  uintptr_t pc = 0;
  uintptr_t fp = 0;
};

// Instruction and frame pointer of the faulting thread.
Frame FaultFrame(const void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return {static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]),
          static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RBP])};
#elif defined(__aarch64__)
  return {static_cast<uintptr_t>(uc->uc_mcontext.pc),
          static_cast<uintptr_t>(uc->uc_mcontext.regs[29])};
#else
  static_cast<void>(uc);
  return {};
#endif
}

void WriteRegisters(int fd, const void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  const greg_t* r = uc->uc_mcontext.gregs;
  const auto u = [r](int i) { return static_cast<unsigned long long>(r[i]); };
  Line(fd, "RAX:%016llX\nRBX:%016llX\nRCX:%016llX\nRDX:%016llX\nRSI:%016llX\nRDI:%016llX\n",
       u(REG_RAX), u(REG_RBX), u(REG_RCX), u(REG_RDX), u(REG_RSI), u(REG_RDI));
  Line(fd, "R8:%016llX\nR9:%016llX\nR10:%016llX\nR11:%016llX\n", u(REG_R8),
       u(REG_R9), u(REG_R10), u(REG_R11));
  Line(fd, "R12:%016llX\nR13:%016llX\nR14:%016llX\nR15:%016llX\n", u(REG_R12),
       u(REG_R13), u(REG_R14), u(REG_R15));
  const unsigned long long segs = u(REG_CSGSFS);
  Line(fd, "CS:RIP:%04llX:%016llX\n", segs & 0xFFFF, u(REG_RIP));
  Line(fd, "SS:RSP:%04llX:%016llX  RBP:%016llX\n", (segs >> 48) & 0xFFFF,
       u(REG_RSP), u(REG_RBP));
  Line(fd, "FS:%04llX  GS:%04llX\n", (segs >> 32) & 0xFFFF, (segs >> 16) & 0xFFFF);
  Line(fd, "Flags:%08llX\n", u(REG_EFL));
#elif defined(__aarch64__)
  const auto& m = uc->uc_mcontext;
  for (int i = 0; i < 31; ++i) {
    Line(fd, "X%d:%016llX\n", i, static_cast<unsigned long long>(m.regs[i]));
  }
  Line(fd, "SP:%016llX\nPC:%016llX\n", static_cast<unsigned long long>(m.sp),
       static_cast<unsigned long long>(m.pc));
  Line(fd, "Flags:%08llX\n", static_cast<unsigned long long>(m.pstate));
#else
  static_cast<void>(uc);
  Line(fd, "(registers of this processor are not decoded)\n");
#endif
}

void WriteFrame(int fd, const Frame& frame) {
  const LogicalAddress place = Locate(frame.pc);
  Line(fd, "%016lX  %016lX  %04X:%016lX %s\n",
       static_cast<unsigned long>(frame.pc), static_cast<unsigned long>(frame.fp),
       place.section, static_cast<unsigned long>(place.offset), place.module);
}

// Frame-pointer walk: the return address sits just above the saved frame
// pointer. Stops at a misaligned, non-ascending or unreadable frame.
void WriteCallStack(int fd, Frame frame) {
  for (int i = 0; i < kMaxFrames && frame.pc != 0; ++i) {
    WriteFrame(fd, frame);
    uintptr_t saved[2];
    if (!Readable(frame.fp, saved, sizeof(saved))) break;
    const Frame next{saved[1], saved[0]};
    if (next.fp % sizeof(void*) != 0 || next.fp <= frame.fp) break;
    frame = next;
  }
}

}  // namespace

void WriteCrashReport(int fd, int signal, const siginfo_t* info,
                      const void* context) {
  Line(fd, "//=====================================================\n");
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  Line(fd, "Error Date time: %d-%02d-%02d %02d:%02d:%02d\n", local.tm_year + 1900,
       local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  const FaultName fault = NameFault(signal, info ? info->si_code : 0);
  Line(fd, "Exception code: %08X %s\n", fault.code, fault.name);

  const Frame frame = FaultFrame(context);
  const LogicalAddress faultPlace = Locate(frame.pc);
  Line(fd, "Fault address:  %016lX %02X:%016lX %s\n",
       static_cast<unsigned long>(frame.pc), faultPlace.section,
       static_cast<unsigned long>(faultPlace.offset), faultPlace.module);
  Line(fd, "Data address:   %016lX\n",
       static_cast<unsigned long>(reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr)));

  Line(fd, "\nsystem details:\n");
  WriteProcessorLine(fd);
  Line(fd, "\n");
  WriteMemoryLine(fd);
  Line(fd, "\n");

  Line(fd, "\nRegisters:\n");
  WriteRegisters(fd, context);
  Line(fd, "\nCall stack:\n");
  Line(fd, "Address           Frame             Logical addr          Module\n");
  WriteCallStack(fd, frame);
  Line(fd, "\n");
}
