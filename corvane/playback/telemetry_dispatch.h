#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "corvane/playback/channel_assignment.h"

// What one telemetry record of the playing channels changes on screen: the
// scope's samples, the speedometer's values, the map's vehicle and the
// control bar's time text. Pure arithmetic over the 48-byte record and the
// state kept between records; the playback page shows the result.

inline constexpr int kTelemetryRecordBytes = 48;

// Choices that decide units and coordinates, read anew for every record.
struct TelemetrySettings {
  int uiLanguage = 1;  // 3 = English: the scope shows miles per hour
  int speedUnit = 0;   // 0 km/h, 1 mph, 2 knots
  int gpsFix = 1;      // 1 = positions are corrected for the map provider
  int mapSelect = 0;   // 3 = Baidu, anything else Google
  QString speedWord;   // "speed"
  std::array<QString, 3> unitNames;  // "km/h", "mp/h", "kn"
  TimeOrigin origin;
  QString totalTimeText;  // " / mm:ss"
};

// A map position update: texts as the map takes them.
struct MapPoint {
  QString longitude;
  QString latitude;
  int sector = 0;  // 0 north, clockwise to 7 north-west
  QString speedText;
  QString label;
};

struct TelemetryOutcome {
  // The first record after an open and position jumps show nothing.
  bool dropped = true;
  std::array<double, 3> acceleration{};  // X, Y, Z in g
  int scopeSpeed = 0;
  // Fresh: at least 100 ms after the previous fresh record, with a fix.
  bool fresh = false;
  QString speedometerLongitude;  // "%.4f", only when fresh
  QString speedometerLatitude;
  MapPoint map;  // only when fresh
  unsigned displaySpeed = 0;
  QString timeText;  // "mm:ss / mm:ss"
};

// WGS-84 to the map provider's datum: mode 1 GCJ-02, mode 2 BD-09. Returns
// false when it could not convert.
using GpsConverter = std::function<bool(double longitude, double latitude, int mode, double& outLongitude,
                                        double& outLatitude)>;

// Decimal digits of the minute fractions: the record's own count when it
// carries one (1..6), else guessed from the first 180 records' values.
// `samples` counts the guesses made.
int GuessFractionDigits(int recordDigits, uint32_t latitudeFraction, uint32_t longitudeFraction, int current,
                        int& samples);
// Degrees and minutes with a fraction of a minute of `digits` digits, as
// decimal degrees rounded to six decimals.
double RecordDegrees(int degrees, int minutes, uint32_t fraction, int digits);
// Metres between two points given in degrees, rounded.
double GreatCircleMetres(double latitude1, double longitude1, double latitude2, double longitude2);
// Compass sector of a direction in hundredths of a degree; a vehicle
// standing still keeps `previous`.
int HeadingSector(unsigned hundredthsOfDegree, int speed, int previous);
// The scope's speed: km/h, or miles per hour in English.
int ScopeSpeed(int kmh, int uiLanguage);
// The speed in the chosen unit, truncated.
int DisplaySpeed(int kmh, int speedUnit);

// The state kept between records while entries play. Window thread only.
class TelemetryDispatch {
 public:
  explicit TelemetryDispatch(GpsConverter converter) : converter_(std::move(converter)) {}

  // `record` holds kTelemetryRecordBytes bytes; `nowMs` is a millisecond
  // tick count. `positionReset` lets the next fresh position through the
  // hold and is cleared when used.
  TelemetryOutcome Dispatch(const unsigned char* record, const TelemetrySettings& settings, uint32_t nowMs,
                            bool& positionReset);
  // An entry is being opened: its first record shows nothing.
  void EntryOpened() { firstRecordSeen_ = false; }
  // Playback stopped: the digit guess starts again and the time counter
  // restarts.
  void Stopped();

  int fractionDigits() const { return fractionDigits_; }

 private:
  // The time text of a record's wall-clock time against the origin.
  QString TimeText(int hour, int minute, int second, const TelemetrySettings& settings);

  GpsConverter converter_;
  int fractionDigits_ = -1;
  int digitSamples_ = 0;
  std::optional<uint32_t> lastAcceptMs_;
  bool firstRecordSeen_ = false;
  // The last point, for the jump test: never reset, so the first point of
  // an entry is compared with the last of the one before.
  double previousLatitude_ = 0;
  double previousLongitude_ = 0;
  // Position last shown in the speedometer panel.
  double heldLatitude_ = 0;
  double heldLongitude_ = 0;
  int headingSector_ = 0;
  int timeCounter_ = 0;
};
