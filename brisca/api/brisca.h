/* brisca: the library behind Corvane Player. The flat exported interface:
 * handles are opaque nonzero 32-bit values, results are 0 for success and
 * 1 (or -1 where stated) for failure; no exception crosses this boundary.
 * All multi-byte fields are little-endian. */
#ifndef BRISCA_H
#define BRISCA_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define BRISCA_CALL __stdcall
#else
#define BRISCA_CALL
#endif

#if defined(_WIN32)
#define BRISCA_EXPORT __declspec(dllexport)
#else
#define BRISCA_EXPORT __attribute__((visibility("default")))
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
} BR_PICTURE;

/* The "window" of a channel: the formats it accepts and the call that shows
 * a picture. present runs on the channel's worker thread; the target does
 * the stretch to its window. */
typedef struct BR_VIDEO_TARGET {
  unsigned formats;                 /* bit (1 << format) for every format the target accepts */
  void (*present)(struct BR_VIDEO_TARGET* target, const BR_PICTURE* picture);
  void* user;
} BR_VIDEO_TARGET;

/* Disk family. Drive names "C:" to "N:" resolve through the environment
 * variable BRISCA_DRIVES (':'-separated paths, the first for "C:"), else the
 * machine's whole-disk block devices in name order. */

/* index -1: probes "C:" to "N:", writes one NvrSearchResult per recorder
 * disk into `results` (room for 12) and returns how many were found.
 * index 0-11: probes that drive only; 1 when it holds a recorder disk. The
 * last disk found becomes the one NVR_GetFileParam lists. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_SearchSD(int32_t index, NvrSearchResult* results);
/* Stores the folder (a drive name or an image path) that NVR_Mount mounts
 * when `mode` is nonzero; returns `mode`. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_SetDir(const char* folder, int32_t mode);
/* Lists every recording of the chosen disk (at most 10,000). On success
 * *list receives an array to free with NVR_FreeFileParam and the count is
 * returned; 1 when the disk cannot be mounted, or the file system's
 * (negative) error. `callback` and `user` are not used. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_GetFileParam(RecFileParam** list,
                                                   NVR_SEARCH_CALLBACK callback, int32_t user);
BRISCA_EXPORT void BRISCA_CALL NVR_FreeFileParam(void* list);
/* Mounts (unmounts) the folder set by NVR_SetDir for playback. -1 for a
 * zero decoder handle; the disk number is not used. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_Mount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT int32_t BRISCA_CALL NVR_UnMount(uint32_t decoder, int32_t disk);

BRISCA_EXPORT int32_t BRISCA_CALL JV_Mount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT int32_t BRISCA_CALL JV_UnMount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT void BRISCA_CALL JV_FreeFileParam(void* list);

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
#endif

#endif
