#include "brisca/engine/mul_play.h"

#include <algorithm>

namespace brisca {

CMulPlay::CMulPlay(TickClock& clock) : clock_(clock) { start_times_.fill(kNoStartTime); }

CMulPlay::~CMulPlay() {
  // Erasing shut the decoder down already; destroyed on a worker (the last
  // reference dropped there), its slots are empty.
  if (!CPlayer::OnChannelWorker()) CloseAll();
}

int CMulPlay::Shutdown() {
  if (CPlayer::OnChannelWorker()) return 1;
  {
    CAutoLock hold(&state_lock_);
    shut_down_ = true;
  }
  return CloseAll();
}

int CMulPlay::Open(const char* name, BR_VIDEO_TARGET* window, int channel) {
  if (!ValidChannel(channel) || CPlayer::OnChannelWorker()) return 1;
  Close(channel);
  auto player = std::make_shared<CPlayer>(clock_);
  player->SetOwner(this, channel);
  int error = player->Open(name, window);
  std::shared_ptr<CPlayer> displaced;
  {
    CAutoLock hold(&state_lock_);
    if (error == 0 && shut_down_) error = 1;
    if (error == 0) {
      player->SetVolume(volume_);
      // Another thread may have opened the slot meanwhile; the later open wins.
      displaced = std::move(slots_[channel]);
      slots_[channel] = player;
      start_times_[channel] = player->start_time();
      ElectOnOpen(channel);
    }
    channel_count_ = CountLocked();
  }
  // Closed outside the state lock: their workers may be waiting for it.
  if (displaced) displaced->Close();
  if (error != 0) player->Close();
  return error;
}

int CMulPlay::Close(int channel) {
  if (!ValidChannel(channel)) return 0;
  if (CPlayer::OnChannelWorker()) return 1;
  std::shared_ptr<CPlayer> player;
  {
    CAutoLock hold(&state_lock_);
    player = std::move(slots_[channel]);
    slots_[channel].reset();
    // An empty slot must never win an election.
    start_times_[channel] = kNoStartTime;
    playing_[channel] = false;
    channel_count_ = CountLocked();
  }
  // Stopped outside the state lock: its worker may be waiting for it.
  if (player) player->Close();
  return 0;
}

int CMulPlay::CloseAll() {
  int result = 0;
  for (int channel = 0; channel < kChannelSlots; ++channel) result |= Close(channel);
  return result;
}

int CMulPlay::Play(int channel) {
  if (CPlayer::OnChannelWorker()) return 1;
  const std::shared_ptr<CPlayer> player = this->player(channel);
  if (!player) return 1;
  player->Stop();
  {
    CAutoLock hold(&state_lock_);
    const std::shared_ptr<CPlayer>& master = slots_[static_cast<size_t>(sync_channel_)];
    if (master) {
      master->SetFollower(false);
      master->SetMaster(true);
      for (int i = 0; i < kChannelSlots; ++i) {
        const std::shared_ptr<CPlayer>& other = slots_[static_cast<size_t>(i)];
        if (i == sync_channel_ || !other) continue;
        other->SetMaster(false);
        other->SetFollower(true);
        other->SetMasterTime(master->current_timestamp());
      }
    }
    // Playing from the start: the moment the followers knew is gone; they
    // pace themselves until the master shows its first picture.
    if (channel != sync_channel_) player->SetReference({});
    playing_[static_cast<size_t>(channel)] = true;
  }
  const int result = player->Play();
  if (result != 0) {
    CAutoLock hold(&state_lock_);
    playing_[static_cast<size_t>(channel)] = false;
  }
  return result;
}

int CMulPlay::Stop(int channel) {
  if (CPlayer::OnChannelWorker()) return 1;
  const std::shared_ptr<CPlayer> player = this->player(channel);
  if (!player) return 0;
  player->Stop();
  CAutoLock hold(&state_lock_);
  playing_[static_cast<size_t>(channel)] = false;
  return 0;
}

std::vector<std::shared_ptr<CPlayer>> CMulPlay::Occupied() {
  CAutoLock hold(&state_lock_);
  std::vector<std::shared_ptr<CPlayer>> players;
  for (const auto& player : slots_)
    if (player) players.push_back(player);
  return players;
}

std::vector<std::shared_ptr<CPlayer>> CMulPlay::MasterFirst() {
  CAutoLock hold(&state_lock_);
  std::vector<std::shared_ptr<CPlayer>> players;
  if (const auto& master = slots_[static_cast<size_t>(sync_channel_)]) players.push_back(master);
  for (int i = 0; i < kChannelSlots; ++i) {
    const auto& player = slots_[static_cast<size_t>(i)];
    if (player && i != sync_channel_) players.push_back(player);
  }
  return players;
}

void CMulPlay::Pause(bool paused) {
  for (const auto& player : MasterFirst()) player->Pause(paused);
}

void CMulPlay::Step() {
  for (const auto& player : MasterFirst()) player->Step();
}

void CMulPlay::SetRate(int32_t rate, bool reverse) {
  bool turned = false;
  {
    CAutoLock hold(&state_lock_);
    turned = reverse != reverse_ || (rate >= kKeyFrameRate) != (rate_ >= kKeyFrameRate);
    rate_ = rate;
    reverse_ = reverse;
  }
  const std::vector<std::shared_ptr<CPlayer>> players = MasterFirst();
  for (const auto& player : players) player->SetRate(rate, reverse);
  // Turning round or changing between key frames and all frames, the
  // readers stand where reading ahead left them, up to a key frame interval
  // off the pictures shown, and a follower's picture may be that far off
  // the master's: every channel starts again at the master's moment.
  if (!turned || players.empty()) return;
  const std::shared_ptr<CPlayer>& master = players.front();
  if (master->channel() != sync_channel() || master->current_timestamp() == 0) return;
  SeekAllTo(players, master->wall().Wall(master->current_timestamp()));
}

void CMulPlay::Seek(int32_t offset_ms) {
  const std::vector<std::shared_ptr<CPlayer>> players = MasterFirst();
  if (players.empty()) return;
  const std::shared_ptr<CPlayer> master = player(sync_channel());
  if (!master) {
    // Without a synchronising channel each channel takes the offset as its own.
    for (const auto& player : players) player->Seek(offset_ms);
    return;
  }
  SeekAllTo(players, master->wall().wall_start + offset_ms);
}

void CMulPlay::SeekAllTo(const std::vector<std::shared_ptr<CPlayer>>& players, int64_t moment) {
  // The channels seek one after another on this thread, each decoding up to
  // a key frame interval: those done first hold still until the last is
  // there, so that none runs ahead and the others need not catch up.
  std::vector<std::shared_ptr<CPlayer>> held;
  for (const auto& player : players) {
    if (player->paused()) continue;
    player->Pause(true);
    held.push_back(player);
  }
  for (const auto& player : players) {
    // A recording that does not cover the moment shows its nearest picture.
    const int64_t duration = std::max(player->file_param().duration_ms, 0);
    player->Seek(static_cast<int32_t>(std::clamp<int64_t>(player->wall().Offset(moment), 0, duration)));
  }
  for (const auto& player : held) player->Pause(false);  // the master first
}

void CMulPlay::SetEndCallback(uint32_t user, BR_END_CALLBACK callback) {
  for (const auto& player : Occupied()) player->SetEndCallback(user, callback);
}

void CMulPlay::SoundOff() {
  for (const auto& player : Occupied()) player->SoundOff();
}

void CMulPlay::SetVolume(uint32_t volume) {
  {
    // Kept for channels opened later, so a channel given sound afterwards
    // starts at this volume too.
    CAutoLock hold(&state_lock_);
    volume_ = volume;
  }
  for (const auto& player : Occupied()) player->SetVolume(volume);
}

void CMulPlay::SetText(std::string_view text, int corner) {
  for (const auto& player : Occupied()) player->SetText(text, corner);
}

void CMulPlay::InitWatermark(const std::string& path, bool enable, int alpha) {
  for (const auto& player : Occupied()) player->InitWatermark(path, enable, alpha);
}

void CMulPlay::EnableWatermark(bool enable) {
  for (const auto& player : Occupied()) player->EnableWatermark(enable);
}

void CMulPlay::SetWatermarkAlpha(int alpha) {
  for (const auto& player : Occupied()) player->SetWatermarkAlpha(alpha);
}

void CMulPlay::SetInfoFrameCallback(uint32_t user, BR_INFO_FRAME_CALLBACK callback) {
  const std::shared_ptr<CPlayer> player = this->player(sync_channel());
  if (player) player->SetInfoFrameCallback(user, callback);
}

void CMulPlay::SoundOn(int channel) {
  // The others first, so that one channel at a time holds the sound device.
  std::shared_ptr<CPlayer> chosen;
  for (const auto& player : Occupied()) {
    if (player->channel() == channel) {
      chosen = player;
    } else {
      player->SoundOff();
    }
  }
  if (chosen) chosen->SoundOn();
}

int CMulPlay::sync_channel() {
  CAutoLock hold(&state_lock_);
  return sync_channel_;
}

int CMulPlay::SetSyncChannel(int channel) {
  if (!ValidChannel(channel)) return 1;
  CAutoLock hold(&state_lock_);
  if (channel == sync_channel_) return 0;
  sync_channel_ = channel;
  RearmLocked(channel);
  return 0;
}

int CMulPlay::channel_count() {
  CAutoLock hold(&state_lock_);
  return channel_count_;
}

int CMulPlay::FileInfo(RecFileParam* out) {
  if (!out) return 1;
  CAutoLock hold(&state_lock_);
  const std::shared_ptr<CPlayer>& master = slots_[static_cast<size_t>(sync_channel_)];
  if (!master) return 1;
  *out = master->file_param();
  for (const auto& player : slots_)
    if (player) out->duration_ms = std::max(out->duration_ms, player->file_param().duration_ms);
  return 0;
}

int CMulPlay::PlayPosition(int32_t* ms) {
  if (!ms) return 1;
  CAutoLock hold(&state_lock_);
  const std::shared_ptr<CPlayer>& master = slots_[static_cast<size_t>(sync_channel_)];
  if (!master) return 1;
  *ms = static_cast<int32_t>(static_cast<uint32_t>(master->current_timestamp()) -
                             static_cast<uint32_t>(master->start_time()));
  return 0;
}

int CMulPlay::Snapshot(int channel, const std::string& path, uint8_t stamp[kPictureStampSize]) {
  const std::shared_ptr<CPlayer> player = this->player(channel);
  if (!player) return 1;
  player->Snapshot(path, stamp);
  return 0;
}

int CMulPlay::CopyFileInfo(int channel, RecFileInfo* out) {
  const std::shared_ptr<CPlayer> player = this->player(channel);
  if (!player || !out) return 1;
  return player->CopyFileInfo(out);
}

std::shared_ptr<CPlayer> CMulPlay::player(int channel) {
  if (!ValidChannel(channel)) return nullptr;
  CAutoLock hold(&state_lock_);
  return slots_[static_cast<size_t>(channel)];
}

void CMulPlay::MasterTime(int channel, uint64_t timestamp, const SyncReference& reference) {
  CAutoLock hold(&state_lock_);
  // A former master may still be finishing a pass: its moment is stale.
  if (channel_count_ <= 1 || channel != sync_channel_) return;
  for (int i = 0; i < kChannelSlots; ++i) {
    const std::shared_ptr<CPlayer>& player = slots_[static_cast<size_t>(i)];
    if (!player || i == channel) continue;
    player->SetMasterTime(timestamp);
    player->SetReference(reference);
  }
}

void CMulPlay::ChannelEnded(int channel) {
  if (!ValidChannel(channel)) return;
  CAutoLock hold(&state_lock_);
  playing_[static_cast<size_t>(channel)] = false;
  if (channel == sync_channel_) {
    int candidate = -1;
    for (int i = 0; i < kChannelSlots; ++i) {
      const auto index = static_cast<size_t>(i);
      if (i == channel || !playing_[index] || !slots_[index]) continue;
      const bool no_candidate =
          candidate < 0 || start_times_[static_cast<size_t>(candidate)] == 0;
      if (no_candidate || start_times_[index] < start_times_[static_cast<size_t>(candidate)])
        candidate = i;
    }
    if (candidate >= 0) sync_channel_ = candidate;
  }
  // A follower that ends stays a follower: the others keep to the master's
  // clock, which an ended channel no longer advances.
  RearmLocked(sync_channel_);
}

void CMulPlay::ElectOnOpen(int channel) {
  int best = channel;
  uint64_t best_time = start_times_[static_cast<size_t>(channel)];
  for (int i = 0; i < kChannelSlots; ++i) {
    if (start_times_[static_cast<size_t>(i)] < best_time) {
      best = i;
      best_time = start_times_[static_cast<size_t>(i)];
    }
  }
  sync_channel_ = best;
}

void CMulPlay::RearmLocked(int master_channel) {
  const std::shared_ptr<CPlayer>& master = slots_[static_cast<size_t>(master_channel)];
  if (!master) return;
  master->SetFollower(false);
  master->SetMaster(true);
  for (int i = 0; i < kChannelSlots; ++i) {
    const auto index = static_cast<size_t>(i);
    const std::shared_ptr<CPlayer>& other = slots_[index];
    if (i == master_channel || !other) continue;
    // One master at a time: a former master would hand out stale times.
    other->SetMaster(false);
    if (!playing_[index]) continue;
    other->SetFollower(true);
    other->SetMasterTime(master->current_timestamp());
  }
}

int CMulPlay::CountLocked() const {
  int count = 0;
  for (const auto& player : slots_)
    if (player) ++count;
  return count;
}

}  // namespace brisca
