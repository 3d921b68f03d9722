#include "brisca/recordings/rec_file.h"

namespace brisca {

CRecFile::CRecFile(size_t pool_frames) : pool_(pool_frames) {}

int CRecFile::ReleaseFrame(RecFrame* frame) {
  pool_.Release(frame);
  return 0;
}

int CRecFile::ReadInfoFrame(uint32_t, RecFrame**) { return 0; }

bool CRecFile::KeyFrameInfo(InfoRecord*) { return false; }

int CRecFile::ReadDeviceInfo(RecFileParam*, const char*) { return 0; }

int CRecFile::SearchFile(const char*) { return -1; }

void CRecFile::GetPictureSize(int32_t* width, int32_t* height) {
  CAutoLock hold(&main_lock_);
  if (width) *width = info_.width;
  if (height) *height = info_.height;
}

void CRecFile::GetAudioFormat(int32_t* channels, int32_t* bits, int32_t* sample_rate,
                              int32_t* samples_per_frame) {
  CAutoLock hold(&main_lock_);
  if (channels) *channels = info_.audio_channels;
  if (bits) *bits = info_.audio_bits_per_sample;
  if (sample_rate) *sample_rate = info_.audio_sample_rate;
  if (samples_per_frame) *samples_per_frame = info_.audio_samples_per_frame;
}

int CRecFile::CopyFileInfo(RecFileInfo* out) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !out) return 1;
  *out = info_;
  return 0;
}

bool CRecFile::QueryRange(int32_t start_ms, int32_t end_ms, uint64_t* start_position,
                          uint64_t* end_position) {
  CAutoLock hold(&main_lock_);
  if (Seek(end_ms, 1) != 0) return false;
  const uint64_t end = current_frame_position_;
  if (Seek(start_ms, 0) != 0) return false;
  if (start_position) *start_position = current_frame_position_;
  if (end_position) *end_position = end;
  return true;
}

RecFileParam CRecFile::file_param() {
  CAutoLock hold(&main_lock_);
  return param_;
}

bool CRecFile::is_open() {
  CAutoLock hold(&main_lock_);
  return open_;
}

uint64_t CRecFile::current_frame_position() {
  CAutoLock hold(&main_lock_);
  return current_frame_position_;
}

uint64_t CRecFile::current_timestamp() {
  CAutoLock hold(&main_lock_);
  return current_timestamp_;
}

}  // namespace brisca
