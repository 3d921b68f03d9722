// What a channel player reports to the player that owns it.
#pragma once

#include <cstdint>

#include "brisca/engine/play_pacer.h"

namespace brisca {

// Both run on the reporting channel's worker, with none of its locks held.
class CChannelOwner {
 public:
  // After each picture the channel shows and when its pace changes, while
  // it is the synchronising channel.
  virtual void MasterTime(int channel, uint64_t timestamp, const SyncReference& reference) = 0;
  // Once each time the channel meets the end of its recording.
  virtual void ChannelEnded(int channel) = 0;

 protected:
  ~CChannelOwner() = default;
};

}  // namespace brisca
