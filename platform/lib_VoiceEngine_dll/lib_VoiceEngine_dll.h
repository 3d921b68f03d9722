/* The voice decoder library: one recorder voice frame in, 8 kHz mono 16-bit
 * linear PCM out.
 *
 * A frame is the 4-byte voice header (0x00, 0x01, number of 16-bit words of
 * codec data that follow, 0x00) and then the codec data:
 *   G.711      320 bytes, one code per sample, 320 samples;
 *   G.726      80, 120, 160 or 200 bytes of 2-, 3-, 4- or 5-bit codes packed
 *              first code in the least significant bits, 320 samples;
 *   IMA ADPCM  one 164-byte mono IMA ADPCM WAV block, 321 samples.
 *
 * The caller owns the state area and keeps it between the frames of one
 * stream; a state area is used by one thread at a time. Areas: at least
 * 8 bytes for G.711, 16 for IMA ADPCM and 128 for G.726; the library never
 * touches bytes past those. */
#ifndef LIB_VOICEENGINE_DLL_H
#define LIB_VOICEENGINE_DLL_H

#ifdef __cplusplus
extern "C" {
#endif

/* Codec codes of HI_VOICE_DecReset. */
#define HI_VOICE_CODEC_G711A 1
#define HI_VOICE_CODEC_G711U 2
#define HI_VOICE_CODEC_IMA_ADPCM 3
#define HI_VOICE_CODEC_G726 7

/* Output samples one frame can produce: 320 for G.711 and G.726, 321 for
 * IMA ADPCM. */
#define HI_VOICE_MAX_FRAME_SAMPLES 321

/* Prepares `state` to decode a new stream of `codec`. Returns 0, or -1 for
 * a null state or an unknown codec (the state is then left untouched). */
int HI_VOICE_DecReset(void* state, int codec);

/* Decodes one frame. On entry `*count` is the frame's length in 16-bit
 * words (its length in bytes / 2); the library reads exactly that many bytes
 * from `input`. On return `*count` is the number of samples written to
 * `output` (at most HI_VOICE_MAX_FRAME_SAMPLES). Returns 0, or -1 with
 * `*count` = 0 and nothing written when the state was not reset or the
 * frame's header or length is wrong. */
int HI_VOICE_DecodeFrame(void* state, const unsigned char* input, short* output,
                         unsigned short* count);

#ifdef __cplusplus
}
#endif

#endif /* LIB_VOICEENGINE_DLL_H */
