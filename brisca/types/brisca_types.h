/* brisca: the records, times, presentation target and callback types that
 * the exported interface and every layer of the library share. Types only:
 * the interface itself is brisca.h, which includes this. All multi-byte
 * fields are little-endian. */
#ifndef BRISCA_TYPES_H
#define BRISCA_TYPES_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define BRISCA_CALL __stdcall
#else
#define BRISCA_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 2)
/* A calendar time with 16-bit fields; day_of_week and milliseconds are not
 * always set. */
typedef struct BR_SYSTEMTIME {
  uint16_t year;
  uint16_t month;
  uint16_t day_of_week;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
} BR_SYSTEMTIME;
#pragma pack(pop)

#pragma pack(push, 4)
/* One recording (480 bytes). */
typedef struct RecFileParam {
  char name[260];             /* "%d\%d\%d", the name BR_OpenFile accepts */
  BR_SYSTEMTIME start_time;   /* 260 */
  BR_SYSTEMTIME end_time;     /* 276 */
  uint64_t start;             /* 292: disk listing: ms since midnight; open reader: first timestamp */
  uint64_t end;               /* 300: same scale as start */
  int32_t duration_ms;        /* 308 */
  int32_t channel;            /* 312: 1-based in listings */
  int32_t record_type;        /* 316: the recorder's code */
  char device_text[4][32];    /* 320: device recordings only */
  char device_type[11];       /* 448: device recordings only */
  char reserved[21];
} RecFileParam;

/* The information record of an open recording (64 bytes). */
typedef struct RecFileInfo {
  BR_SYSTEMTIME start_time;
  BR_SYSTEMTIME end_time;
  float frame_rate; /* frames per second */
  uint8_t reserved0;
  uint8_t audio_codec; /* the stream's audio codec identifier */
  uint16_t reserved1;
  int32_t width;
  int32_t height;
  int32_t audio_channels;
  int32_t audio_bits_per_sample;
  int32_t audio_sample_rate; /* Hz */
  int32_t audio_samples_per_frame;
} RecFileInfo;

/* One found recorder disk, written by NVR_SearchSD (40 bytes). */
typedef struct NvrSearchResult {
  int32_t drive_index; /* 0 = "C:" ... 11 = "N:" */
  int32_t reserved0;   /* 0 */
  char reserved[32];   /* not written */
} NvrSearchResult;
#pragma pack(pop)

/* Search progress callback; accepted by the search exports and not called. */
typedef void(BRISCA_CALL* NVR_SEARCH_CALLBACK)(int32_t progress, int32_t user);

#pragma pack(push, 4)
/* One found card, written by JV_SearchSD (40 bytes). */
typedef struct JvSearchResult {
  int32_t drive;     /* physical drive number */
  int32_t removable; /* 1 when the drive reports removable media */
  char reserved[32]; /* not written */
} JvSearchResult;
#pragma pack(pop)

/* Card listing progress: the registered user value and the percentage of
 * recording slots examined, on the caller's thread. */
typedef void(BRISCA_CALL* JV_SEARCH_CALLBACK)(int32_t user, int32_t percent);

/* Picture formats a presentation target can accept. */
#define BR_PIXFMT_I420 0
#define BR_PIXFMT_RGB565 1
#define BR_PIXFMT_BGR24 2

/* One finished picture handed to a presentation target. The pointers are
 * valid only during the present call. */
typedef struct BR_PICTURE {
  int format;                       /* BR_PIXFMT_I420 0, BR_PIXFMT_RGB565 1, BR_PIXFMT_BGR24 2 */
  int width, height;
  const unsigned char* plane[3];    /* I420: Y, U, V; RGB565 and BGR24: plane[0] only, rows top first */
  int stride[3];
  const unsigned char* overlay;     /* straight-alpha BGRA, width * 4 bytes a row, or NULL */
  uint64_t timestamp;               /* ms: the stream timestamp of the frame shown */
} BR_PICTURE;

/* The "window" of a channel: the formats it accepts and the call that shows
 * a picture. present runs on the channel's worker thread, or during
 * BR_PlayOneByOne and BR_SetPlayTime on the thread that called them; it
 * must copy what it needs and return at once (it holds up the channel), and
 * must not call any export. No present is made once BR_CloseFile of the
 * channel or BR_EraseDecoder of its handle has returned. The target does
 * the stretch to its window. */
typedef struct BR_VIDEO_TARGET {
  unsigned formats;                 /* bit (1 << format) for every format the target accepts */
  void (*present)(struct BR_VIDEO_TARGET* target, const BR_PICTURE* picture);
  void* user;
} BR_VIDEO_TARGET;

/* Info frame: the telemetry record (one 48-byte InfoRecord first; copy it,
 * the pointer is valid only during the call), its length, the frame's
 * millisecond timestamp in two halves, and the registered user value. */
typedef void(BRISCA_CALL* BR_INFO_FRAME_CALLBACK)(const unsigned char* record, uint32_t length,
                                                  uint32_t timestamp_low,
                                                  uint32_t timestamp_high, uint32_t user);
/* A channel reached the end of its recording: channel index, user value. */
typedef void(BRISCA_CALL* BR_END_CALLBACK)(int32_t channel, uint32_t user);
/* Clip cutter messages; no cut handle is ever issued, so never called. */
typedef void(BRISCA_CALL* BR_CUT_MSG_CALLBACK)(int32_t message, int32_t value, uint32_t user);

/* Index reader event, on the reader's worker thread: event 2, value 0 and
 * the user value when the walk has reached the end of the file. */
typedef void(BRISCA_CALL* BR_INDEX_READER_CALLBACK)(int32_t event, int32_t value, int32_t user);

/* Progress of a conversion, on its worker thread: after each video frame
 * (done, total) in units of the recording's bytes; at the end (total,
 * total) when the whole range was written, or (-1, last position) when
 * reading the recording, creating or writing the file failed (the file then
 * holds what was written up to the last whole chunk, and is readable). A
 * range that cannot be converted at all (source not found, a time that is
 * not a time of day, a start after the recording's end, a range without a
 * frame) ends without any call and without a file. */
typedef void(BRISCA_CALL* JV_CONVERT_PROGRESS_CALLBACK)(uint32_t user, int32_t done,
                                                        int32_t total);

/* Export of card recordings: the user value and the overall progress
 * 0-100, or -1 when the export ended before every recording was copied. */
typedef void(BRISCA_CALL* JV_EXPORT_CALLBACK)(int32_t user, int32_t value);

#ifdef __cplusplus
}
static_assert(sizeof(BR_SYSTEMTIME) == 16, "SYSTEMTIME layout");
static_assert(sizeof(RecFileParam) == 480, "RecFileParam layout");
static_assert(offsetof(RecFileParam, start) == 292, "RecFileParam layout");
static_assert(offsetof(RecFileParam, duration_ms) == 308, "RecFileParam layout");
static_assert(offsetof(RecFileParam, device_type) == 448, "RecFileParam layout");
static_assert(sizeof(RecFileInfo) == 64, "RecFileInfo layout");
static_assert(offsetof(RecFileInfo, width) == 40, "RecFileInfo layout");
static_assert(sizeof(NvrSearchResult) == 40, "search result layout");
static_assert(sizeof(JvSearchResult) == 40, "card search result layout");
#endif

#endif
