// The playback family of exports over CMulPlay, and the clip cutter. A
// handle that finds no decoder (zero, stale or forged) gets the export's
// null result. No exception crosses the library boundary: an allocation
// failure inside becomes the same result.
#include <memory>
#include <string>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/api/handle_table.h"
#include "brisca/api/utf16.h"
#include "brisca/engine/mul_play.h"

namespace {

using brisca::CMulPlay;

template <typename Call>
int32_t WithDecoder(uint32_t decoder, int32_t null_result, Call call) {
  return brisca::WithHandle(brisca::DecoderHandles(), decoder, null_result, call);
}

int32_t Ignored(uint32_t, uint32_t, uint32_t) { return 0; }

}  // namespace

extern "C" {

int32_t BRISCA_CALL BR_CreateDecoder(uint32_t* decoder) {
  // Without somewhere to put the handle a decoder would be unreachable.
  if (!decoder) return 0;
  // On a failure *decoder stays 0: nothing was created.
  *decoder = brisca::Guarded(0u, [] {
    return brisca::DecoderHandles().Issue(std::make_shared<CMulPlay>());
  });
  return 0;
}

int32_t BRISCA_CALL BR_EraseDecoder(uint32_t decoder) {
  // From a callback it would wait for the worker that runs it.
  if (brisca::CPlayer::OnChannelWorker()) return 1;
  // Nothing to report on a failure: the handle is gone, and the decoder's
  // destructor closes whatever was left open.
  return brisca::Guarded(0, [&] {
    // Out of the table first, so no other call finds a decoder being closed.
    const std::shared_ptr<CMulPlay> play = brisca::DecoderHandles().Erase(decoder);
    if (play) play->Shutdown();
    return 0;
  });
}

int32_t BRISCA_CALL BR_OpenFile(const char* name, BR_VIDEO_TARGET* window, int32_t channel,
                                uint32_t decoder) {
  return WithDecoder(decoder, 0, [&](CMulPlay& play) {
    // 0 is the null result here, so a failure inside must not fall back to it.
    return brisca::Guarded(1, [&] { return play.Open(name, window, channel); });
  });
}

int32_t BRISCA_CALL BR_CloseFile(uint32_t decoder, int32_t channel) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) { return play.Close(channel); });
}

int32_t BRISCA_CALL BR_GetFileInfo(uint32_t decoder, RecFileParam* param) {
  if (!param) return 1;
  // An empty synchronising slot leaves the record as it was; that is not
  // reported.
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.FileInfo(param);
    return 0;
  });
}

int32_t BRISCA_CALL BR_Play(uint32_t decoder, int32_t channel) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) { return play.Play(channel); });
}

int32_t BRISCA_CALL BR_Stop(uint32_t decoder, int32_t channel) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) { return play.Stop(channel); });
}

int32_t BRISCA_CALL BR_Pause(uint32_t decoder, int32_t pause) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.Pause(pause != 0);
    return 0;
  });
}

int32_t BRISCA_CALL BR_PlayOneByOne(uint32_t decoder) {
  return WithDecoder(decoder, 1, [](CMulPlay& play) {
    play.Step();
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetPlayRate(uint32_t decoder, int32_t rate, int32_t reverse) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetRate(rate, reverse != 0);
    return 0;
  });
}

int32_t BRISCA_CALL BR_GetPlayTime(uint32_t decoder, int32_t* ms) {
  if (!ms) return 1;
  return WithDecoder(decoder, 1, [&](CMulPlay& play) { return play.PlayPosition(ms); });
}

int32_t BRISCA_CALL BR_SetPlayTime(uint32_t decoder, int32_t ms) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.Seek(ms);
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetInfoFrameCallBack(uint32_t decoder, uint32_t user,
                                            BR_INFO_FRAME_CALLBACK callback) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetInfoFrameCallback(user, callback);
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetEndCallBack(uint32_t decoder, uint32_t user, BR_END_CALLBACK callback) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetEndCallback(user, callback);
    return 0;
  });
}

int32_t BRISCA_CALL BR_PlaySound(uint32_t decoder, int32_t channel) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SoundOn(channel);
    return 0;
  });
}

int32_t BRISCA_CALL BR_StopSound(uint32_t decoder) {
  return WithDecoder(decoder, 1, [](CMulPlay& play) {
    play.SoundOff();
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetVolume(uint32_t decoder, uint32_t volume) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetVolume(volume);
    return 0;
  });
}

int32_t BRISCA_CALL BR_CaptureBMP(uint32_t decoder, int32_t channel, const char* path,
                                  unsigned char stamp[16]) {
  if (!stamp) return 1;
  // Without a path nothing can be written, which is not reported.
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    return play.Snapshot(channel, path ? path : "", stamp);
  });
}

int32_t BRISCA_CALL BR_ShowOsd(uint32_t decoder, const char* text, int32_t corner) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetText(text ? text : "", corner);
    return 0;
  });
}

int32_t BRISCA_CALL BR_InitWatermark(uint32_t decoder, const uint16_t* path, int32_t enable,
                                     int32_t alpha) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.InitWatermark(brisca::Utf16ToUtf8(path), enable != 0, alpha);
    return 0;
  });
}

int32_t BRISCA_CALL BR_EnableWatermark(uint32_t decoder, int32_t enable) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.EnableWatermark(enable != 0);
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetWatermarkAlpha(uint32_t decoder, int32_t alpha) {
  return WithDecoder(decoder, 1, [&](CMulPlay& play) {
    play.SetWatermarkAlpha(alpha);
    return 0;
  });
}

int32_t BRISCA_CALL BR_GetSynChannel(uint32_t decoder) {
  return WithDecoder(decoder, -1, [](CMulPlay& play) { return play.sync_channel(); });
}

int32_t BRISCA_CALL BR_SetSynChannel(uint32_t decoder, int32_t channel) {
  return WithDecoder(decoder, -1, [&](CMulPlay& play) { return play.SetSyncChannel(channel); });
}

int32_t BRISCA_CALL BR_CaptureJPEG(uint32_t a, uint32_t b, uint32_t c) { return Ignored(a, b, c); }

int32_t BRISCA_CALL BR_SetDecCallBack(uint32_t a, uint32_t b, uint32_t c) {
  return Ignored(a, b, c);
}

int32_t BRISCA_CALL BR_SetDisplayCallBack(uint32_t a, uint32_t b, uint32_t c) {
  return Ignored(a, b, c);
}

int32_t BRISCA_CALL JV_GetEVFInfo(uint32_t decoder, int32_t channel, RecFileInfo* info) {
  if (!info) return 1;
  return WithDecoder(decoder, 1, [&](CMulPlay& play) { return play.CopyFileInfo(channel, info); });
}

// The clip cutter never issues a handle, so every handle the other cut
// calls receive is a null one.
int32_t BRISCA_CALL BR_OpenCutFile(const char*, const char*, uint32_t*) { return 1; }

int32_t BRISCA_CALL BR_SetCutMsgCallBack(uint32_t, uint32_t, BR_CUT_MSG_CALLBACK) { return 1; }

int32_t BRISCA_CALL BR_StartCutFile(uint32_t, int32_t, int32_t) { return 1; }

int32_t BRISCA_CALL BR_StopCutFile(uint32_t) { return 1; }

int32_t BRISCA_CALL BR_CloseCutFile(uint32_t) { return 1; }

}  // extern "C"
