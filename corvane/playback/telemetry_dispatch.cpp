#include "corvane/playback/telemetry_dispatch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Offsets in the telemetry record.
constexpr int kHour = 3;
constexpr int kMinute = 4;
constexpr int kSecond = 5;
constexpr int kFixStatus = 8;
constexpr int kSpeed = 10;
constexpr int kLatitudeDegrees = 12;
constexpr int kLatitudeMinutes = 13;
constexpr int kLongitudeDegrees = 14;
constexpr int kLongitudeMinutes = 15;
constexpr int kLatitudeFraction = 16;
constexpr int kLongitudeFraction = 20;
constexpr int kDirection = 24;
constexpr int kNorthSouth = 26;
constexpr int kEastWest = 27;
constexpr int kFractionDigits = 28;
constexpr int kAcceleration = 40;

constexpr int kDigitSampleLimit = 180;
constexpr uint32_t kFreshIntervalMs = 100;
constexpr double kJumpMetres = 300;
constexpr double kHoldDegrees = 0.001;
constexpr int kBaidu = 3;

uint16_t ReadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int16_t ReadI16(const unsigned char* p) { return static_cast<int16_t>(ReadU16(p)); }
uint32_t ReadU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Printed and read back, so the value is exactly what the texts say.
double RoundToSixDecimals(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6lf", value);
  return std::strtod(text, nullptr);
}

QString SixDecimals(double value) { return QString::asprintf("%.6lf", value); }
QString FourDecimals(double value) { return QString::asprintf("%.4lf", value); }

}  // namespace

int GuessFractionDigits(int recordDigits, uint32_t latitudeFraction, uint32_t longitudeFraction, int current,
                        int& samples) {
  if (recordDigits >= 1 && recordDigits <= 6) return recordDigits;
  int digits = current;
  if (samples < kDigitSampleLimit) {
    if (latitudeFraction > 9999 || longitudeFraction > 9999) {
      digits = 5;
    } else if (latitudeFraction > 0 && longitudeFraction > 0 && digits != 5) {
      digits = 4;
    }
    ++samples;
  }
  return digits == -1 ? 4 : digits;
}

double RecordDegrees(int degrees, int minutes, uint32_t fraction, int digits) {
  double part = 0;
  if (digits >= 4 && digits <= 6) {
    // The fraction's digits follow "0." as the recorder wrote them; a value
    // too wide for its digit count reads as more digits, one past 2^31 as
    // nothing, as it always has.
    char text[32];
    const int value = static_cast<int>(fraction);
    if (digits == 4) {
      std::snprintf(text, sizeof text, "0.%04d", value);
    } else if (digits == 5) {
      std::snprintf(text, sizeof text, "0.%05d", value);
    } else {
      std::snprintf(text, sizeof text, "0.%06d", value);
    }
    part = std::strtod(text, nullptr);
  }
  return RoundToSixDecimals(degrees + minutes / 60.0 + part / 60.0);
}

double GreatCircleMetres(double latitude1, double longitude1, double latitude2, double longitude2) {
  constexpr double kPi = 3.1415927;
  const double lat1 = latitude1 * kPi / 180;
  const double lat2 = latitude2 * kPi / 180;
  const double halfLat = std::sin((lat1 - lat2) / 2);
  const double halfLon = std::sin((longitude1 - longitude2) * kPi / 180 / 2);
  const double a = halfLat * halfLat + std::cos(lat1) * std::cos(lat2) * halfLon * halfLon;
  return 2 * std::asin(std::sqrt(std::min(a, 1.0))) * 6378.137 * 1000 + 0.5;
}

int HeadingSector(unsigned hundredthsOfDegree, int speed, int previous) {
  if (speed == 0) return previous;
  const unsigned degrees = hundredthsOfDegree / 100;
  if (degrees < 23 || degrees > 337) return 0;
  return static_cast<int>((degrees - 23) / 45) + 1;
}

int ScopeSpeed(int kmh, int uiLanguage) {
  return uiLanguage == 3 ? static_cast<int>(kmh * 0.62 + 0.5) : kmh;
}

int DisplaySpeed(int kmh, int speedUnit) {
  if (speedUnit == 1) return static_cast<int>(kmh / 1.6093);
  if (speedUnit == 2) return static_cast<int>(kmh / 1.852);
  return kmh;
}

void TelemetryDispatch::Stopped() {
  firstRecordSeen_ = false;
  fractionDigits_ = -1;
  digitSamples_ = 0;
  timeCounter_ = -1;
}

TelemetryOutcome TelemetryDispatch::Dispatch(const unsigned char* record, const TelemetrySettings& settings,
                                             uint32_t nowMs, bool& positionReset) {
  TelemetryOutcome out;
  const int speed = ReadU16(record + kSpeed);
  out.scopeSpeed = ScopeSpeed(speed, settings.uiLanguage);

  const uint32_t latitudeFraction = ReadU32(record + kLatitudeFraction);
  const uint32_t longitudeFraction = ReadU32(record + kLongitudeFraction);
  fractionDigits_ =
      GuessFractionDigits(record[kFractionDigits], latitudeFraction, longitudeFraction, fractionDigits_, digitSamples_);

  if (!lastAcceptMs_) lastAcceptMs_ = nowMs;
  // Unsigned difference: the tick count wraps.
  if (nowMs - *lastAcceptMs_ < kFreshIntervalMs) {
    out.fresh = false;
  } else {
    lastAcceptMs_ = nowMs;
    out.fresh = record[kFixStatus] == 'A';
  }

  if (!firstRecordSeen_) {
    firstRecordSeen_ = true;
    return out;
  }

  const double latitude =
      RecordDegrees(record[kLatitudeDegrees], record[kLatitudeMinutes], latitudeFraction, fractionDigits_);
  const double longitude =
      RecordDegrees(record[kLongitudeDegrees], record[kLongitudeMinutes], longitudeFraction, fractionDigits_);
  const double latitudeSign = record[kNorthSouth] == 'S' ? -1 : 1;
  const double longitudeSign = record[kEastWest] == 'W' ? -1 : 1;

  double pointLatitude = latitude;
  double pointLongitude = longitude;
  if (settings.gpsFix == 1) {
    // Signed before converting: a southern or western position must not
    // come out in the opposite hemisphere.
    double convertedLongitude = longitudeSign * longitude;
    double convertedLatitude = latitudeSign * latitude;
    const int mode = settings.mapSelect == kBaidu ? 2 : 1;
    if (converter_) converter_(longitudeSign * longitude, latitudeSign * latitude, mode, convertedLongitude,
                               convertedLatitude);
    pointLongitude = convertedLongitude;
    pointLatitude = convertedLatitude;
    out.map.longitude = SixDecimals(convertedLongitude);
    out.map.latitude = SixDecimals(convertedLatitude);
  } else {
    out.map.longitude = SixDecimals(longitudeSign * longitude);
    out.map.latitude = SixDecimals(latitudeSign * latitude);
  }

  if (previousLongitude_ == 0) {
    previousLatitude_ = pointLatitude;
    previousLongitude_ = pointLongitude;
  } else {
    const double metres = GreatCircleMetres(previousLatitude_, previousLongitude_, pointLatitude, pointLongitude);
    previousLatitude_ = pointLatitude;
    previousLongitude_ = pointLongitude;
    if (metres >= kJumpMetres) return out;
  }

  out.dropped = false;
  for (int axis = 0; axis < 3; ++axis)
    out.acceleration[static_cast<size_t>(axis)] = ReadI16(record + kAcceleration + 2 * axis) * 16.0 / 65536.0;
  out.displaySpeed = static_cast<unsigned>(out.scopeSpeed);

  if (out.fresh) {
    double shownLatitude = latitude;
    double shownLongitude = longitude;
    if (heldLatitude_ == 0 && heldLongitude_ == 0) {
      heldLatitude_ = latitude;
      heldLongitude_ = longitude;
    }
    if (positionReset) {
      positionReset = false;
    } else if (std::fabs(longitude - heldLongitude_) > kHoldDegrees ||
               std::fabs(latitude - heldLatitude_) > kHoldDegrees) {
      shownLatitude = heldLatitude_;
      shownLongitude = heldLongitude_;
    }
    out.speedometerLongitude = FourDecimals(longitudeSign * shownLongitude);
    out.speedometerLatitude = FourDecimals(latitudeSign * shownLatitude);

    const int unit = settings.speedUnit == 1 || settings.speedUnit == 2 ? settings.speedUnit : 0;
    const int shownSpeed = DisplaySpeed(speed, unit);
    out.displaySpeed = static_cast<unsigned>(shownSpeed);
    out.map.speedText = QString("%1 %2").arg(shownSpeed).arg(settings.unitNames[static_cast<size_t>(unit)]);
    out.map.label = QString("<span class ='b'>%1:</span>%2 <marquee width=25></marquee>")
                        .arg(settings.speedWord, out.map.speedText);
    headingSector_ = HeadingSector(ReadU16(record + kDirection), speed, headingSector_);
    out.map.sector = headingSector_;
    heldLatitude_ = shownLatitude;
    heldLongitude_ = shownLongitude;
  }

  out.timeText = TimeText(record[kHour], record[kMinute], record[kSecond], settings);
  return out;
}

QString TelemetryDispatch::TimeText(int hour, int minute, int second, const TelemetrySettings& settings) {
  const TimeOrigin& origin = settings.origin;
  int sec = second - origin.startSecond;
  int min = (hour - origin.startHour) * 60 + minute - origin.startMinute;
  if (sec < 0) {
    sec += 60;
    min -= 1;
  }
  if (sec < 0) timeCounter_ = -1;
  if (min < 0 || min > 1440 || sec < 0) {
    min = 0;
    sec = 0;
  }
  if (sec == 0 && timeCounter_ >= 0) sec = timeCounter_;
  if (sec == 59) timeCounter_ = -60;
  ++timeCounter_;
  return QString::asprintf("%02d:%02d", min, sec) + settings.totalTimeText;
}
