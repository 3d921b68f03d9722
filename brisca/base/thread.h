// Base of every worker object: one named operating-system thread and a
// manual-reset stop event that the thread body polls.
//
// Only the owner calls Start and Stop, from its own thread. The owner stops
// the thread before destroying the object; a subclass that overrides Run
// calls Stop in its own destructor, because Run may use its members. The base
// destructor joins a thread that was left running rather than abandoning it.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "brisca/base/event.h"

namespace brisca {

// Names the calling thread for debuggers (15 characters are kept).
void NameCurrentThread(const std::string& name);

class CThread {
 public:
  // Body run instead of Run() when given to Start; its result is the exit code.
  using EntryFunction = uint32_t (*)(void* user);

  // `name` is the thread's name for debuggers (15 characters are kept).
  explicit CThread(std::string name = "brisca-worker");
  virtual ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Start's result when a thread was created; the exports built on workers
  // answer 0 for success, so they compare with this rather than a bare 1.
  static constexpr int kStarted = 1;

  // Returns kStarted when a thread was created, 0 when one is already
  // started (even if its body has returned, until Stop) or creation failed.
  // Resets the stop event first. The thread runs `entry(user)` when `entry`
  // is given, else Run().
  int Start(EntryFunction entry = nullptr, void* user = nullptr);

  // Signals the stop event and waits for the thread; returns 1, or 0 when no
  // thread was started (the event is then left as it was). A thread that
  // outlives `timeout_ms` is reported and still waited for: threads are
  // never killed. The stop event stays set until the next Start. Asked from
  // the thread itself it only signals the event and returns 0.
  int Stop(uint32_t timeout_ms = kInfinite);

  // True once Stop was called; thread bodies poll this on each pass.
  bool StopRequested() { return stop_event_.Wait(0); }
  CEvent& stop_event() { return stop_event_; }

  // True from a successful Start until Stop.
  bool IsStarted() const { return thread_.joinable(); }
  // True when called from this object's thread.
  bool IsCurrentThread() const;
  // Exit code of the last body that finished; valid after Stop.
  uint32_t exit_code() const { return exit_code_; }

 protected:
  // The body used when Start got no entry function. The base body returns 0.
  virtual uint32_t Run();

 private:
  void Body();

  const std::string name_;
  std::thread thread_;
  CEvent stop_event_;
  CEvent finished_;  // set by the thread when its body has returned
  EntryFunction entry_ = nullptr;
  void* user_ = nullptr;
  uint32_t exit_code_ = 0;  // written by the thread before finished_ is set
};

}  // namespace brisca
