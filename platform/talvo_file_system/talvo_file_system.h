/* The recorder-disk file system: mounts a recorder disk (a block device or a
 * disk image file) read-only and serves its recordings as stream segments.
 *
 * One instance serves one mounted disk. All functions return int, 0 for
 * success unless stated; errors are negative TVFS_E_* codes. Every function
 * may be called from any thread; streams of one instance may be read from
 * different threads at the same time. */
#ifndef TALVO_FILE_SYSTEM_H
#define TALVO_FILE_SYSTEM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  TVFS_E_ARGUMENT = -1,    /* bad handle, null pointer or out-of-range value */
  TVFS_E_NOT_MOUNTED = -2, /* the instance has no disk mounted */
  TVFS_E_OPEN = -3,        /* the drive or image cannot be opened */
  TVFS_E_NOT_TVFS = -4,    /* no recorder disk: magic or version unknown */
  TVFS_E_CORRUPT = -5,     /* checksum, count, offset or link out of order */
  TVFS_E_IO = -6,          /* a read of the medium failed or came short */
  TVFS_E_NOT_FOUND = -7,   /* no such segment */
  TVFS_E_LIMIT = -8,       /* too many open queries or streams */
  TVFS_E_NO_MEMORY = -9
};

#pragma pack(push, 1)

/* One recording date. */
typedef struct _fs_date_ {
  uint8_t year; /* year - 2000 */
  uint8_t month;
  uint8_t day;
  uint8_t reserved;
} _fs_date_;

/* A wall-clock time to seek a segment to. */
typedef struct _fs_date_time_ {
  uint8_t year; /* year - 2000 */
  uint8_t month;
  uint8_t day;
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
  uint8_t reserved[2];
} _fs_date_time_;

/* Which segments a query lists: one date, a time-of-day window, channels by
 * bit mask (bit n = channel n) and record types by cause bits: type_mask
 * 0xFFFF lists every type; any other mask lists the types that share a bit
 * with its low byte (0x08 manual, 0x10 overspeed, 0x20 emergency, 0x40 DMS). */
typedef struct _stream_query_ {
  uint32_t channel_mask;
  uint8_t year; /* year - 2000 */
  uint8_t month;
  uint8_t day;
  uint8_t day_count; /* 1 */
  uint8_t from_hour, from_minute, from_second;
  uint8_t to_hour, to_minute, to_second;
  uint8_t stream_kind; /* 1: recordings */
  uint8_t reserved0;
  uint16_t type_mask;
  uint16_t reserved1;
  uint32_t max_results;
} _stream_query_;

typedef struct _stream_segment_id_ {
  uint32_t disk; /* the disk number the image was written with */
  uint32_t number[2];
} _stream_segment_id_;

/* One listed segment. Times are the local times of day of its first and
 * last frame; a segment that runs past midnight keeps its real end time. */
typedef struct _stream_query_result_ {
  uint8_t start_hour, start_minute, start_second;
  uint8_t end_hour, end_minute, end_second;
  uint8_t channel;     /* 0-based */
  uint8_t record_type; /* the recorder's cause bits, 0-255 */
  uint8_t reserved[8];
  _stream_segment_id_ id;
} _stream_query_result_;

typedef struct _stream_segment_info_ {
  _stream_segment_id_ id;
  uint8_t channel;
  uint8_t record_type;
  _fs_date_ date;
  uint8_t start_hour, start_minute, start_second;
  uint8_t end_hour, end_minute, end_second;
  uint64_t size; /* bytes of stream data, at offset 24 */
} _stream_segment_info_;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(_stream_query_) == 24, "query layout");
static_assert(sizeof(_stream_query_result_) == 28, "result layout");
static_assert(sizeof(_stream_segment_info_) == 32, "segment info layout");
#endif

typedef enum _stream_query_cmd_ { STREAM_QUERY_LIST = 0 } _stream_query_cmd_;

/* A new instance (a non-negative handle), or a negative error. */
int Tvfs_windows_CreateTvfs(void);
/* Unmounts if needed and frees the instance. */
int Tvfs_windows_DeleteTvfs(int handle);

/* Mounts names[0]: a drive name "C:" to "N:" (resolved through the
 * environment variable BRISCA_DRIVES, a ':'-separated list of paths whose
 * first entry is "C:", else through the machine's whole-disk block devices
 * in name order) or a path to a disk image or device. `names` holds ten
 * pointers, the rest null. `flags` and `mode` are reserved (0, 1). */
int Tvfs_windows_mount(int handle, int flags, int mode, char** names);
int Tvfs_windows_umount(int handle, int flags);

/* The recording dates in ascending order; free the list with
 * Tvfs_windows_release_record_date_list2. `*count` may be 0. A date whose
 * segment table is damaged stays in the list; queries reaching it fail with
 * TVFS_E_CORRUPT or TVFS_E_IO, so the caller can name it and go on. */
int Tvfs_windows_get_record_date_list2(int handle, _fs_date_** list, int* count);
int Tvfs_windows_release_record_date_list2(_fs_date_* list);

/* A query handle (non-negative) or a negative error. */
int Tvfs_windows_get_query_stream_segment_handle(int handle, const _stream_query_* query);
/* Fills up to *count results (count in = room) in list order: by start time,
 * then channel. *count out = number written. */
int Tvfs_windows_query_stream_segment(int handle, int query, _stream_query_cmd_ command,
                                      int* count, _stream_query_result_* results);
int Tvfs_windows_release_query_stream_segment_handle(int handle, int query);

/* A stream handle (non-negative) positioned at the segment's start, or a
 * negative error. `access` and `flags` are reserved (0xFFFF, 0). */
int Tvfs_windows_open_stream_segment(int handle, const _stream_segment_id_* id, int access,
                                     int flags);
int Tvfs_windows_get_stream_segment_info(int handle, const _stream_segment_id_* id,
                                         _stream_segment_info_* info);
/* Bytes read (continuing where the last read or seek ended), 0 at the end of
 * the segment, negative on error. `reserved` is null. */
int Tvfs_windows_read_video_data(int handle, int stream, void* buffer, int length,
                                 void* reserved);
/* origin 0 = start, 1 = current, 2 = end; a position outside 0 to the
 * segment size is refused with TVFS_E_ARGUMENT and changes nothing. */
int Tvfs_windows_seek_stream_segment_pos(int handle, int stream, int64_t offset, int origin);
int Tvfs_windows_stream_segment_tell(int handle, int stream, int64_t* position);
/* Positions the stream at the last time-index entry at or before `when`
 * (the segment's start when `when` is earlier). A segment whose time index
 * is damaged still opens and reads; this call then fails with
 * TVFS_E_CORRUPT or TVFS_E_IO and leaves the position. */
int Tvfs_windows_seek_stream_segment(int handle, int stream, const _fs_date_time_* when,
                                     int flags);
int Tvfs_windows_close_stream_segment(int handle, int stream);

#ifdef __cplusplus
}
#endif

#endif
