/* brisca: the library behind Corvane Player. The flat exported interface:
 * handles are opaque nonzero 32-bit values, results are 0 for success and
 * 1 (or -1 where stated) for failure; no exception crosses this boundary.
 * All multi-byte fields are little-endian. */
#ifndef BRISCA_H
#define BRISCA_H

#include <stddef.h>
#include <stdint.h>

#include "brisca_types.h"

#if defined(_WIN32)
#define BRISCA_EXPORT __declspec(dllexport)
#else
#define BRISCA_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Playback family. A decoder handle plays up to eight recordings of one
 * moment together, one per channel slot 0-7, kept in step by the
 * wall-clock time of their frames (a recording's start time plus the
 * distance of a frame's timestamp from the first): the synchronising
 * channel paces itself, the others show the picture of its moment, hold
 * their first picture until a recording that starts later reaches it, and
 * give frames up rather than race when behind. A channel more than 200 ms
 * behind its own due time likewise gives frames up. Every export here
 * answers a zero, stale or forged handle with the result noted as "null";
 * a channel index outside 0-7 or an empty slot is refused with 1 where a
 * result is reported and otherwise ignored.
 *
 * Threads. Every playback export may be called on any thread, also while
 * another thread calls exports on the same handle; the calls are safe
 * against each other. Calls that wait for a channel's worker
 * (BR_OpenFile, BR_CloseFile, BR_Play, BR_Stop, BR_EraseDecoder) block
 * until that worker has finished its pass (at most about one decoded frame
 * and one present, plus closing the sound device) and refuse with 1,
 * doing nothing, when called on a channel worker, that is from a callback.
 * BR_Pause, BR_PlayOneByOne, BR_SetPlayRate, BR_SetPlayTime, BR_PlaySound,
 * BR_StopSound, BR_CaptureBMP and JV_GetEVFInfo wait for the worker's
 * current pass only; a seek or a step decodes up to one key frame interval
 * on the calling thread, and sound changes open or close the sound device.
 * The others return at once.
 *
 * Callbacks run on the channel's worker thread only, never on the caller's
 * thread and with no library lock held: telemetry and end notices found
 * during a step or a seek are delivered by the worker afterwards. They
 * must return promptly (they hold up the channel) and may call the exports
 * that do not wait for a worker; the waiting ones answer 1 there. No
 * callback is made once BR_CloseFile of the channel or BR_EraseDecoder of
 * its handle has returned. */


/* Library set-up and tear-down; both return 0. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_Initialize(void);
BRISCA_EXPORT int32_t BRISCA_CALL BR_UnInitialize(void);

/* 0 always; *decoder receives the new handle, or 0 when none was created.
 * Returns at once. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_CreateDecoder(uint32_t* decoder);
/* Closes any channel still open, then destroys the handle; waits for the
 * workers. 0 (null 0); 1, and nothing done, from a callback. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_EraseDecoder(uint32_t decoder);
/* Opens a recording in a channel slot, closing what the slot held. `name`
 * is a disk recording name ("disk\a\b", disk mounted with NVR_Mount) or
 * the path of a stream file on this machine (containing '/'). `window` is
 * the channel's presentation target; it must outlive the channel. 0, or the
 * reader's error (1 for every failure of the disk reader) (null 0). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_OpenFile(const char* name, BR_VIDEO_TARGET* window,
                                              int32_t channel, uint32_t decoder);
/* Stops and closes the channel, waiting for its worker; an empty slot is
 * accepted. 0 (null 1); 1 from a callback. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_CloseFile(uint32_t decoder, int32_t channel);
/* The synchronising channel's recording, its duration widened to the
 * longest open recording. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_GetFileInfo(uint32_t decoder, RecFileParam* param);
/* Plays the channel from the start of its recording; the other open
 * channels follow the synchronising channel. Waits for a worker already
 * running. 0 (null 1); 1 from a callback. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_Play(uint32_t decoder, int32_t channel);
/* Stops the channel's worker, waiting for it. 0 (null 1); 1 from a callback. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_Stop(uint32_t decoder, int32_t channel);
/* Nonzero pauses every channel, 0 resumes. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_Pause(uint32_t decoder, int32_t pause);
/* Pauses and shows one frame on every channel, on the calling thread:
 * forward the next frame; backward the key frame before the one shown
 * (stepping back moves by key frames). A channel that follows shows its
 * picture of the synchronising channel's new moment. No sound plays for a
 * step. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_PlayOneByOne(uint32_t decoder);
/* Rate 0 is normal speed, positive faster (4 and above: key frames only),
 * negative slower; reverse nonzero plays backward. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetPlayRate(uint32_t decoder, int32_t rate, int32_t reverse);
/* Milliseconds from the start of the synchronising channel's recording.
 * 0; 1 when the synchronising slot is empty (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_GetPlayTime(uint32_t decoder, int32_t* ms);
/* Puts every channel at the wall-clock moment `ms` after the start of the
 * synchronising channel's recording and shows the picture there (also
 * while paused); playing and stepping go on from it. A channel whose
 * recording starts later shows its first picture and waits; one that ended
 * before shows its last picture and ends. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetPlayTime(uint32_t decoder, int32_t ms);
/* Registered on the synchronising channel only. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetInfoFrameCallBack(uint32_t decoder, uint32_t user,
                                                          BR_INFO_FRAME_CALLBACK callback);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetEndCallBack(uint32_t decoder, uint32_t user,
                                                    BR_END_CALLBACK callback);
/* Sound of this channel only (every other channel's sound off). 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_PlaySound(uint32_t decoder, int32_t channel);
BRISCA_EXPORT int32_t BRISCA_CALL BR_StopSound(uint32_t decoder);
/* Low 16 bits: 0 silent to 0xFFFF full; kept while the sound is off (fast
 * play) and for channels opened later. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetVolume(uint32_t decoder, uint32_t volume);
/* Writes the channel's last picture, with text and watermark, as a BMP
 * file and copies its 16-byte stamp. 0 even when nothing could be
 * written; 1 for an empty slot (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_CaptureBMP(uint32_t decoder, int32_t channel,
                                                const char* path, unsigned char stamp[16]);
/* On-screen text (UTF-8) in corner 0-3 of every channel. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_ShowOsd(uint32_t decoder, const char* text, int32_t corner);
/* Watermark picture (PNG; path as zero-terminated UTF-16), enable flag and
 * opacity 0-100 for every channel. 0 (null 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_InitWatermark(uint32_t decoder, const uint16_t* path,
                                                   int32_t enable, int32_t alpha);
BRISCA_EXPORT int32_t BRISCA_CALL BR_EnableWatermark(uint32_t decoder, int32_t enable);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetWatermarkAlpha(uint32_t decoder, int32_t alpha);
/* The synchronising channel (null -1); setting it returns 0 (null -1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_GetSynChannel(uint32_t decoder);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetSynChannel(uint32_t decoder, int32_t channel);
/* Accepted and ignored; 0. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_CaptureJPEG(uint32_t a, uint32_t b, uint32_t c);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetDecCallBack(uint32_t a, uint32_t b, uint32_t c);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetDisplayCallBack(uint32_t a, uint32_t b, uint32_t c);
/* The information record of a channel's open recording. 0; 1 for a null
 * handle, an empty slot or nothing open. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_GetEVFInfo(uint32_t decoder, int32_t channel,
                                                RecFileInfo* info);

/* Clip cutter: opening always fails (1) and leaves *cut untouched, so the
 * other calls only ever meet a null handle (result 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_OpenCutFile(const char* source, const char* destination,
                                                 uint32_t* cut);
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetCutMsgCallBack(uint32_t cut, uint32_t user,
                                                       BR_CUT_MSG_CALLBACK callback);
BRISCA_EXPORT int32_t BRISCA_CALL BR_StartCutFile(uint32_t cut, int32_t start, int32_t end);
BRISCA_EXPORT int32_t BRISCA_CALL BR_StopCutFile(uint32_t cut);
BRISCA_EXPORT int32_t BRISCA_CALL BR_CloseCutFile(uint32_t cut);

/* Device recordings: single host files of a second recorder family (a
 * 64 KiB header, then video, audio and telemetry chunks; timestamps in
 * microseconds). */

/* Fills `param` with the summary of the device recording at `path`: start
 * and end time, duration, channel, record type, text fields and device
 * type. 0; 1 when the file is no device recording this library reads
 * (null decoder handle 1). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_GetFileParam(uint32_t decoder, RecFileParam* param,
                                                  const char* path);


/* Index reader: walks every telemetry record of one device recording on a
 * worker thread. Every export here answers a zero, stale or forged handle
 * with 1. The callback (BR_INDEX_READER_CALLBACK) runs on the worker thread
 * when the walk has reached the end of the file; a walk that is stopped
 * first calls nothing. */

/* Opens the device recording at `path` (rewound). 0 and *reader set; 1
 * when it cannot be opened (*reader untouched). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_OpenIndexReader(const char* path, uint32_t* reader);
/* Note the order: user value, then callback (NULL for none). 0. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_SetReaderCallBack(uint32_t reader, int32_t user,
                                                       BR_INDEX_READER_CALLBACK callback);
/* The recording's summary as opening found it: start and end time, first
 * and last timestamp (microseconds), duration, text fields, device type.
 * 0; 1 for a null record. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_GetIndexFileInfo(uint32_t reader, RecFileParam* param);
/* Starts the walk (from where a stopped one ended). 0; 1 when it runs
 * already or no thread could be made. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_StartIndexReader(uint32_t reader);
/* Stops the walk and waits for the worker, which ends promptly. 0; 1 when
 * called from the reader's own callback (it would wait for itself). */
BRISCA_EXPORT int32_t BRISCA_CALL BR_StopIndexReader(uint32_t reader);
/* Stops as above and destroys the reader. 0; 1 from its own callback. */
BRISCA_EXPORT int32_t BRISCA_CALL BR_CloseIndexReader(uint32_t reader);

/* Conversion. A conversion handle copies a time range of one recording into
 * an AVI file on a worker thread: the H.264 frames unchanged, the voice as
 * 8 kHz mono 16-bit PCM. Every export here answers a zero, stale or forged
 * handle with -1 (InitDllMange: 0 for no handle). */


/* A conversion from `source` (a disk recording name, the disk mounted with
 * NVR_Mount, or the path of a stream file containing '/') to the AVI file
 * `destination`, created or truncated when the conversion starts. The
 * handle, or 0 when none could be created. */
BRISCA_EXPORT uint32_t BRISCA_CALL JV_CONVERTDLL_InitDllMange(const char* source,
                                                             const char* destination);
/* Waits for a running conversion to finish, then destroys the handle. 0;
 * -1 (and nothing done) when called from the handle's own callback. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_CONVERTDLL_UnInitDllMange(uint32_t convert);
/* The progress callback and its user value; NULL for none. 0. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_CONVERTDLL_RegisterCovInfoCallBack(
    uint32_t convert, uint32_t user, JV_CONVERT_PROGRESS_CALLBACK callback);
/* Starts the conversion of the range from `start` to `end`, clock times
 * packed as hour * 65536 + minute * 256 + second (the start on the
 * recording's first date, the end on its last). The other words are not
 * used. 0, also when the handle was started before (it is not started
 * again); -1 when no worker thread could be made. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_CONVERTDLL_ConvertH264ToAVI(uint32_t convert, uint32_t unused1,
                                                                uint32_t unused2, uint32_t start,
                                                                uint32_t end, uint32_t unused3);

/* Disk family. Drive names "C:" to "N:" resolve through the environment
 * variable BRISCA_DRIVES (':'-separated paths, the first for "C:"), else the
 * machine's whole-disk block devices in name order. */

/* index -1: probes "C:" to "N:", writes one NvrSearchResult per recorder
 * disk into `results` (room for 12) and returns how many were found.
 * index 0-11: probes that drive only; 1 when it holds a recorder disk. The
 * last disk found becomes the one NVR_GetFileParam lists. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_SearchSD(int32_t index, NvrSearchResult* results);
/* The number of drive names whose device the last NVR_SearchSD(-1, ...)
 * found but could not open for reading for lack of permission (a raw drive
 * of a user outside the disk group). When `first_path` is not null and
 * `size` > 0, the first such device path is written there, NUL-terminated
 * and cut to `size` bytes (an empty text when there is none). */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_GetDeniedDrives(char* first_path, int32_t size);
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
 * null decoder handle; the disk number is not used. */
BRISCA_EXPORT int32_t BRISCA_CALL NVR_Mount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT int32_t BRISCA_CALL NVR_UnMount(uint32_t decoder, int32_t disk);

BRISCA_EXPORT int32_t BRISCA_CALL JV_Mount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT int32_t BRISCA_CALL JV_UnMount(uint32_t decoder, int32_t disk);
BRISCA_EXPORT void BRISCA_CALL JV_FreeFileParam(void* list);

/* Card family. A card is read as a raw FAT volume from physical drive d,
 * the d-th path of BRISCA_PHYSICAL_DRIVES (':'-separated), else the d-th
 * whole-disk block device of the machine; drives are opened read-only. Its
 * partitions 0-3 are "C:" to "F:" (card mode); an export folder holds
 * "P_index00.bin" and "P_flyFFFFF.evf" files (folder mode). Recordings are
 * named "P\F\S" (partition, file number, slot). The probe, the listing and
 * the export share the process's card volume: run one at a time. */

/* Sets the folder and mode (0 folder mode, 1 card mode) of all four
 * partitions; returns `mode`. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_SetDir(const char* folder, int32_t mode);
/* drive -1: probes physical drives 0-15, writes one JvSearchResult per card
 * found into `results` (room for 16; may be NULL) and returns the count.
 * drive >= 0: probes that drive only, writes nothing, 1 when it holds a
 * card. A card is a drive whose first partition holds "index00.bin"; the
 * last one found becomes the card that is listed (card mode). */
BRISCA_EXPORT int32_t BRISCA_CALL JV_SearchSD(int32_t drive, JvSearchResult* results);
/* Reads the index of all four partitions and lists their recordings. The
 * number of records, with *list set to an array to free with
 * JV_FreeFileParam (also when none was kept, as long as the indexes name at
 * least one recording slot; otherwise *list is untouched and 0 returned). A
 * partition whose index cannot be read is left out (and reported in the
 * diagnostic log) and the others are listed; only when no partition's index
 * can be read is the result the first partition's error: -1 mount failed,
 * -2 index file not found, -3 header unreadable, -4 checksum wrong (card
 * mode), -5 file ring unreadable, -6 file number 255 in the table, -7
 * recording table unreadable. `callback` (may be NULL) receives `user` and
 * the percentage. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_GetFileParam(RecFileParam** list, JV_SEARCH_CALLBACK callback,
                                                  int32_t user);
/* 1 when `folder` holds an exported card index ("P_index00.bin", P 0-3,
 * not a directory), else 0. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_IsExistsExortFile(const char* folder);

/* Export of card recordings into a folder, on a worker of its own.
 * `callback` (JV_EXPORT_CALLBACK, may be NULL) receives `user` and the
 * overall progress. */
/* `names`: `count` consecutive 260-byte slots, each a zero-terminated
 * recording name "P\F\S" of the index listed last (JV_GetFileParam).
 * Deletes the folder's earlier export ("P_index00.bin" and the files whose
 * name contains "fly" and ends in ".evf"), writes the four index files and
 * copies the recordings into "P_flyFFFFF.evf" containers; the folder then
 * reads back with JV_SetDir(folder, 0). 0 with *out set to the export
 * handle, or 1 when the export could not start. The handle must be given
 * to JV_StopExortFile in every case. */
BRISCA_EXPORT int32_t BRISCA_CALL JV_StartExortFile(const char* names, int32_t count,
                                                    const char* folder,
                                                    JV_EXPORT_CALLBACK callback, int32_t user,
                                                    uint32_t* out);
/* Stops the export after the recording it is copying (the callback then
 * receives -1 if recordings are left), waits for its worker and releases
 * it. 0; 1 for an unknown handle, or when called from the export's own
 * callback (where the wait would never end). */
BRISCA_EXPORT int32_t BRISCA_CALL JV_StopExortFile(uint32_t handle);

#ifdef __cplusplus
}
#endif

#endif
