// What the last successful recording listing listed, and therefore where
// the names of that list are opened from and what NVR_Mount mounts for them
// when the disk manager's mode is 0. A failed listing leaves it as it was.
//
// Threads: the listing runs on the program's window thread while opens run
// on others; the record is copied in and out under its own mutex. Lock
// order: the disk manager's lock, then this one, then CardVolumeLock().
#pragma once

#include <string>

namespace brisca {

enum class ListedKind {
  kNone,          // nothing listed yet: names open as they always did
  kRecorderDisk,  // the disk chosen by the last probe (path: its drive name)
  kDiskImage,     // a recorder-disk image file given by path
  kCardImage,     // an SD-card image file given by path
  kCardFolder,    // an export folder of card recordings
  kStreamFolder,  // a folder of stream files (names are the files' paths)
};

struct ListedSource {
  ListedKind kind = ListedKind::kNone;
  std::string path;  // drive name, image file or folder; empty for kNone
  bool is_card() const { return kind == ListedKind::kCardImage || kind == ListedKind::kCardFolder; }
  bool is_disk() const { return kind == ListedKind::kRecorderDisk || kind == ListedKind::kDiskImage; }
};

// The source of the last successful listing (kNone before any).
ListedSource CurrentListedSource();
// Called by a listing that succeeded.
void SetListedSource(ListedSource source);

// Mounts what playing the listed source needs: the recorder-disk file
// system on the disk or image; for a card image or folder the card index
// reads that source again when another listing replaced it since. Folders
// of stream files and kNone need nothing. 0, or the failure (the file
// system's error, 1 for a card source that cannot be read).
int MountListedSource();
// Gives back what MountListedSource mounted: the disk file system, or the
// card volume (open card recordings then read nothing more). 0, or the
// file system's error.
int UnmountListedSource();

}  // namespace brisca
