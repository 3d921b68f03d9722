// The millisecond tick counter that paces playback, and the sleeps of the
// channel workers. The product uses the monotonic clock; tests inject a
// clock of their own so that pacing can be driven deterministically.
#pragma once

#include <cstdint>

namespace brisca {

class CEvent;

class TickClock {
 public:
  virtual ~TickClock() = default;
  // Milliseconds from an arbitrary origin; wraps after 2^32.
  virtual uint32_t Now() = 0;
  // Sleeps `ms` milliseconds, or less when `wake` is signalled first; 0
  // yields the processor. `wake` may be null.
  virtual void Sleep(uint32_t ms, CEvent* wake) = 0;
};

// The process's monotonic clock, truncated to 32 bits like the system tick
// counter.
TickClock& SystemTickClock();

}  // namespace brisca
