/* H.264 software decoder library used by the video decoder: one handle per
 * stream, Annex-B access units in, planar 4:2:0 pictures out.
 *
 * Calling convention of Hi264DecFrame: call it once with an access unit,
 * then, while it returns 0, call it again with no bytes (NULL, 0) to collect
 * further pictures. Every input ends with -1 (no more pictures for it) or -2
 * (the input or a picture it produced was refused) within a bounded number
 * of calls, whatever the bytes are.
 *
 * A handle is used by one thread at a time; different handles are
 * independent. */
#ifndef HI_H264DEC_W_H
#define HI_H264DEC_W_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Creation attributes, eight 32-bit words. Words 2 and 3 are the largest
 * picture width and height in 16-pixel macroblocks (1..512 each); pictures
 * larger than that are refused. The other words are ignored; callers pass
 * {0, 0, 120, 68, 0, 0, 0, 0} for pictures up to 1920 x 1088. */
typedef struct H264_DEC_ATTR {
  uint32_t word[8];
} H264_DEC_ATTR;

/* One decoded picture. Plane pointers stay valid until the next call of
 * Hi264DecFrame or Hi264DecDestroy with the same handle. The chroma planes
 * are (width + 1) / 2 x (height + 1) / 2 bytes, rows chroma_stride apart. */
typedef struct H264_DEC_FRAME {
  const uint8_t* luma;      /* 0: Y plane */
  const uint8_t* chroma_u;  /* 1: Cb plane */
  const uint8_t* chroma_v;  /* 2: Cr plane */
  uint32_t width;           /* 3: visible width in pixels */
  uint32_t height;          /* 4: visible height in pixels */
  uint32_t luma_stride;     /* 5: bytes from one Y row to the next */
  uint32_t chroma_stride;   /* 6: bytes from one Cb or Cr row to the next */
  uint64_t timestamp;       /* 7: timestamp passed with the input that produced the picture */
  uint32_t key_frame;       /* 8: nonzero for an IDR or recovery-point picture */
  uint32_t picture_type;    /* 9: 'I', 'P', 'B', or 0 when unknown */
  uint32_t decode_errors;   /* 10: libavcodec decode error flags, 0 when clean */
  uint32_t serial;          /* 11: 1 for the first picture returned by the handle, then +1 */
  uint32_t aspect_num;      /* 12: sample aspect ratio numerator, 0 when unknown */
  uint32_t aspect_den;      /* 13: sample aspect ratio denominator, 1 when unknown */
  /* 14: nonzero when the picture is complete and fit to set a display up:
   * decoded without a reported error, at or after a key-frame picture of
   * this handle. Pictures predicted from references the handle never had
   * (a stream entered at a predicted frame) report 0. */
  uint32_t complete;
} H264_DEC_FRAME;

/* A decoder handle, or NULL when attr is NULL, its size words are out of
 * range, or the decoder cannot be opened. */
void* Hi264DecCreate(const H264_DEC_ATTR* attr);

/* stream/length: one Annex-B access unit, or no bytes (length 0) to collect the next
 * pending picture of the last input. timestamp is handed back in the
 * picture record. flags: 0.
 * Returns 0 with *picture filled; -1 when the input has no more pictures;
 * -2 when the call was refused: NULL handle or picture, bytes NULL with a
 * nonzero length, a decoder error, or a picture that is larger than the
 * attributes allow or not 8-bit 4:2:0 (that picture is dropped). A new
 * input discards pictures of the previous one that were not collected. */
int Hi264DecFrame(void* handle, const uint8_t* stream, uint32_t length, uint64_t timestamp,
                  H264_DEC_FRAME* picture, uint32_t flags);

/* Frees the handle and any pending pictures. NULL is ignored. */
void Hi264DecDestroy(void* handle);

#ifdef __cplusplus
}
#endif

#endif /* HI_H264DEC_W_H */
