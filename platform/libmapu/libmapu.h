#pragma once

// The map component: one map drawn into a window of the program, with one
// vehicle and one track. Every call is made on the program's window thread
// (the thread of the host widget); a call from another thread returns
// nonzero and does nothing. Texts are zero-terminated UTF-16 read up to a
// bound; coordinates in texts are decimal degrees ("113.912345"), and a
// text that is not one, or |lon| > 180, |lat| > 90, makes the call return
// nonzero and change nothing. Map and track handles come from handle
// tables: an unknown or released handle gets nonzero, never a crash.
// Results other than those documented are not examined by callers.
//
// Datum of positions: MAP_ConvertGps marks the positions handed in after
// it, up to and including the next MAP_TKPushPoint, as being in the datum
// it produced; unmarked positions are WGS-84. The map converts them to the
// datum of its tiles before drawing.

#include <stdint.h>

#if defined(_WIN32)
#define MAPU_CALL __stdcall
#else
#define MAPU_CALL
#endif

#if defined(__GNUC__)
#define MAPU_EXPORT __attribute__((visibility("default")))
#else
#define MAPU_EXPORT
#endif

#ifdef __cplusplus
typedef char16_t MAPU_CHAR;
extern "C" {
#else
typedef uint_least16_t MAPU_CHAR;
#endif

// A vehicle is named by the address of a record of three words
// {1, the record's own address, 0} that the caller keeps until
// MAP_DeleteVehicle. The map takes it as an opaque identifier and never
// reads the record.
typedef intptr_t MAPU_VEHICLE;

// Map providers of MAP_InitMap.
#define MAPU_PROVIDER_GOOGLE 0
#define MAPU_PROVIDER_BAIDU 3

// Modes of MAP_ConvertGps.
#define MAPU_CONVERT_GCJ02 1
#define MAPU_CONVERT_BD09 2

MAPU_EXPORT int32_t MAPU_CALL MAP_Initialize(void);
MAPU_EXPORT int32_t MAPU_CALL MAP_InitLangague(const MAPU_CHAR* language);
MAPU_EXPORT int32_t MAPU_CALL MAP_LoadSkin(int32_t skin);

// Creates the map as a child filling `host` (a QWidget*, checked against the
// live widgets). `settingsFile` names the config.ini whose [MAPTILES]
// settings apply (empty: none, the defaults). The map is destroyed with its
// host. Writes a nonzero handle to `map` and returns 0, or returns nonzero
// and writes 0.
MAPU_EXPORT int32_t MAPU_CALL MAP_InitMap(int32_t provider, void* host, int32_t reserved,
                                          const MAPU_CHAR* settingsFile, const MAPU_CHAR* reserved2,
                                          int32_t reserved3, const MAPU_CHAR* style, int32_t reserved4,
                                          const MAPU_CHAR* layers, int32_t* map);
// 0 once the map is ready to take vehicles, with or without tiles (it
// never waits for the network); nonzero for an unknown map.
MAPU_EXPORT int32_t MAPU_CALL MAP_IsLoadComplete(int32_t map);

// 0 when the vehicle was added; nonzero when it already exists or the map
// is unknown.
MAPU_EXPORT int32_t MAPU_CALL MAP_InsertVehicle(int32_t map, MAPU_VEHICLE vehicle);
MAPU_EXPORT int32_t MAPU_CALL MAP_SetVehicleName(int32_t map, MAPU_VEHICLE vehicle, const MAPU_CHAR* name);
MAPU_EXPORT int32_t MAPU_CALL MAP_SetVehiIcon(int32_t map, MAPU_VEHICLE vehicle, int32_t icon);
MAPU_EXPORT int32_t MAPU_CALL MAP_SelectVehicle(int32_t map, MAPU_VEHICLE vehicle);
// Moves the vehicle and turns it to heading sector 0-7 (clockwise from
// north); `label` is a short rich text shown beside it.
MAPU_EXPORT int32_t MAPU_CALL MAP_UpdateVehicle(int32_t map, MAPU_VEHICLE vehicle, const MAPU_CHAR* longitude,
                                                const MAPU_CHAR* latitude, int32_t sector, int32_t reserved,
                                                const MAPU_CHAR* speed, const MAPU_CHAR* reserved2,
                                                const MAPU_CHAR* label);
MAPU_EXPORT int32_t MAPU_CALL MAP_DeleteVehicle(int32_t map, MAPU_VEHICLE vehicle);

// Writes a nonzero track handle and returns 0. A marker must be inserted
// before MAP_TKUpdateMarker places it; MAP_TKDrawPoint repaints.
MAPU_EXPORT int32_t MAPU_CALL MAP_TKInsertTrack(int32_t map, int32_t* track);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKInsertMarker(int32_t track, int32_t marker, int32_t style);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKUpdateMarker(int32_t track, int32_t marker, const MAPU_CHAR* reserved,
                                                 const MAPU_CHAR* longitude, const MAPU_CHAR* latitude,
                                                 int32_t sector, int32_t reserved2, const MAPU_CHAR* reserved3,
                                                 const MAPU_CHAR* label, int32_t reserved4, const MAPU_CHAR* speed,
                                                 const MAPU_CHAR* reserved5);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKPushPoint(int32_t track, const MAPU_CHAR* longitude, const MAPU_CHAR* latitude);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKDrawPoint(int32_t track);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKDeleteMarker(int32_t track, int32_t marker);
MAPU_EXPORT int32_t MAPU_CALL MAP_TKDeleteTrack(int32_t track);

// WGS-84 to GCJ-02 (mode 1; unchanged outside China) or to BD-09 (mode 2).
// Returns 0 and writes both outputs, or nonzero (outputs untouched) for
// another mode or a position that is not finite and on the globe. Any
// thread.
MAPU_EXPORT int32_t MAPU_CALL MAP_ConvertGps(int32_t reserved, double longitude, double latitude, int32_t mode,
                                             double* outLongitude, double* outLatitude);

#ifdef __cplusplus
}
#endif
