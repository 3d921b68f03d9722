// One telemetry record fans out to the scope, the speedometer, the map and
// the time text: the arithmetic of positions, units, sectors and times, and
// the filtering of first records, stale records and jumps.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "corvane/playback/telemetry_dispatch.h"

namespace {

struct Fix {
  int hour = 3, minute = 0, second = 0;
  char status = 'A';
  int speed = 50;
  int latDegrees = 22, latMinutes = 30;
  uint32_t latFraction = 500000;
  int lonDegrees = 113, lonMinutes = 54;
  uint32_t lonFraction = 0;
  unsigned direction = 9000;
  char northSouth = 'N', eastWest = 'E';
  int digits = 6;
  std::array<int16_t, 3> acceleration{};
};

std::array<unsigned char, kTelemetryRecordBytes> Record(const Fix& f) {
  std::array<unsigned char, kTelemetryRecordBytes> r{};
  const auto put16 = [&](int at, unsigned v) {
    r[static_cast<size_t>(at)] = static_cast<unsigned char>(v);
    r[static_cast<size_t>(at) + 1] = static_cast<unsigned char>(v >> 8);
  };
  const auto put32 = [&](int at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  r[3] = static_cast<unsigned char>(f.hour);
  r[4] = static_cast<unsigned char>(f.minute);
  r[5] = static_cast<unsigned char>(f.second);
  r[8] = static_cast<unsigned char>(f.status);
  put16(10, static_cast<unsigned>(f.speed));
  r[12] = static_cast<unsigned char>(f.latDegrees);
  r[13] = static_cast<unsigned char>(f.latMinutes);
  r[14] = static_cast<unsigned char>(f.lonDegrees);
  r[15] = static_cast<unsigned char>(f.lonMinutes);
  put32(16, f.latFraction);
  put32(20, f.lonFraction);
  put16(24, f.direction);
  r[26] = static_cast<unsigned char>(f.northSouth);
  r[27] = static_cast<unsigned char>(f.eastWest);
  r[28] = static_cast<unsigned char>(f.digits);
  for (int axis = 0; axis < 3; ++axis) put16(40 + 2 * axis, static_cast<uint16_t>(f.acceleration[static_cast<size_t>(axis)]));
  return r;
}

TelemetrySettings English(int gpsFix = 0) {
  TelemetrySettings s;
  s.uiLanguage = 3;
  s.gpsFix = gpsFix;
  s.speedWord = "speed";
  s.unitNames = {"km/h", "mp/h", "kn"};
  s.origin = {2, 59, 30, 3, 4, 30};
  s.totalTimeText = " / 05:00";
  return s;
}

// Feeds records one second apart, after a first record that only starts
// the entry.
class Feed {
 public:
  explicit Feed(GpsConverter converter = nullptr) : dispatch_(std::move(converter)) {}
  TelemetryOutcome Next(const Fix& fix, const TelemetrySettings& settings, uint32_t stepMs = 1000) {
    now_ += stepMs;
    const auto record = Record(fix);
    return dispatch_.Dispatch(record.data(), settings, now_, reset_);
  }
  TelemetryDispatch& dispatch() { return dispatch_; }
  bool reset_ = false;

 private:
  TelemetryDispatch dispatch_;
  uint32_t now_ = 5000;
};

TEST(TelemetryArithmetic, PositionsDigitsSectorsAndUnits) {
  EXPECT_DOUBLE_EQ(RecordDegrees(22, 30, 500000, 6), 22.508333);
  EXPECT_DOUBLE_EQ(RecordDegrees(113, 54, 1234, 4), 113.902057);
  EXPECT_DOUBLE_EQ(RecordDegrees(10, 0, 777, 3), 10.0);  // no such digit count: no fraction

  struct Guess {
    int recordDigits;
    uint32_t lat, lon;
    int current, expected;
  };
  for (const Guess& g : std::vector<Guess>{
           {0, 12345, 678, -1, 5}, {0, 1234, 5678, -1, 4}, {0, 0, 0, -1, 4}, {0, 12, 34, 5, 5}, {6, 1, 1, 4, 6}}) {
    int samples = 0;
    EXPECT_EQ(GuessFractionDigits(g.recordDigits, g.lat, g.lon, g.current, samples), g.expected) << g.lat;
  }
  // After 180 records without a digit count the guess stays put.
  int samples = 180;
  EXPECT_EQ(GuessFractionDigits(0, 12345, 0, 4, samples), 4);
  EXPECT_EQ(samples, 180);

  struct Heading {
    unsigned direction;
    int speed, previous, expected;
  };
  for (const Heading& h : std::vector<Heading>{
           {2299, 10, 5, 0}, {2300, 10, 5, 1}, {6799, 10, 0, 1}, {6800, 10, 0, 2}, {18000, 10, 0, 4},
           {33799, 10, 0, 7}, {33800, 10, 3, 0}, {9000, 0, 6, 6}}) {
    EXPECT_EQ(HeadingSector(h.direction, h.speed, h.previous), h.expected) << h.direction;
  }

  EXPECT_EQ(ScopeSpeed(100, 3), 62);
  EXPECT_EQ(ScopeSpeed(100, 1), 100);
  EXPECT_EQ(DisplaySpeed(100, 0), 100);
  EXPECT_EQ(DisplaySpeed(100, 1), 62);
  EXPECT_EQ(DisplaySpeed(100, 2), 53);
  // A minute of latitude is about 1855 m on this sphere.
  EXPECT_NEAR(GreatCircleMetres(22.0, 114.0, 22.0 + 1.0 / 60, 114.0), 1855.3, 1.0);
}

TEST(TelemetryDispatchSequence, FirstRecordJumpsUnitsTimesAndHemispheres) {
  Feed feed;
  const TelemetrySettings english = English();
  Fix fix;
  fix.speed = 100;
  fix.acceleration = {4096, -2048, 0};
  EXPECT_TRUE(feed.Next(fix, english).dropped) << "the first record after an open shows nothing";

  fix.second = 0;
  TelemetryOutcome out = feed.Next(fix, english);
  ASSERT_FALSE(out.dropped);
  EXPECT_EQ(out.scopeSpeed, 62);
  EXPECT_EQ(out.map.speedText, "100 km/h");
  EXPECT_EQ(out.map.label, "<span class ='b'>speed:</span>100 km/h <marquee width=25></marquee>");
  EXPECT_EQ(out.map.latitude, "22.508333");
  EXPECT_EQ(out.map.longitude, "113.900000");
  EXPECT_EQ(out.map.sector, 2);
  EXPECT_EQ(out.speedometerLatitude, "22.5083");
  EXPECT_EQ(out.acceleration[0], 1.0);
  EXPECT_EQ(out.acceleration[1], -0.5);
  EXPECT_EQ(out.timeText, "00:30 / 05:00");

  // A record 50 ms later is not fresh: time, scope and speed only.
  out = feed.Next(fix, english, 50);
  EXPECT_FALSE(out.dropped);
  EXPECT_FALSE(out.fresh);
  EXPECT_TRUE(out.map.speedText.isEmpty());
  EXPECT_EQ(out.displaySpeed, 62u);

  // 350 m north is dropped; the next, 10 m on from the dropped one, shows.
  fix.latFraction += 188679;  // 0.188679 minute: about 350 m
  EXPECT_TRUE(feed.Next(fix, english).dropped);
  fix.latFraction += 5391;  // about 10 m
  out = feed.Next(fix, english);
  EXPECT_FALSE(out.dropped);
  EXPECT_TRUE(out.fresh);
  // The speedometer holds its last position against a jump of more than
  // 0.001 degree until playback restarts or seeks.
  EXPECT_EQ(out.speedometerLatitude, "22.5083");
  feed.reset_ = true;
  out = feed.Next(fix, english);
  EXPECT_EQ(out.speedometerLatitude, "22.5116");
  EXPECT_FALSE(feed.reset_);

  // An origin after the record's time shows 00:00 or the counter.
  TelemetrySettings late = english;
  late.origin = {4, 0, 0, 4, 5, 0};
  feed.dispatch().Stopped();
  feed.dispatch().EntryOpened();
  EXPECT_TRUE(feed.Next(fix, late).dropped);
  EXPECT_EQ(feed.Next(fix, late).timeText, "00:00 / 05:00");

  // Southern and western positions keep their signs, with and without the
  // correction for the map provider.
  Fix south = fix;
  south.northSouth = 'S';
  south.eastWest = 'W';
  std::vector<std::array<double, 2>> converted;
  Feed corrected([&](double lon, double lat, int mode, double& outLon, double& outLat) {
    converted.push_back({lon, lat});
    outLon = lon + (mode == 2 ? 0.01 : 0);
    outLat = lat;
    return true;
  });
  TelemetrySettings baidu = English(1);
  baidu.mapSelect = 3;
  corrected.Next(south, baidu);
  out = corrected.Next(south, baidu);
  EXPECT_EQ(out.map.latitude.left(1), "-");
  EXPECT_EQ(out.map.longitude, "-113.890000");
  EXPECT_LT(converted.back()[1], 0);
  Feed raw;
  raw.Next(south, english);
  out = raw.Next(south, english);
  EXPECT_EQ(out.map.latitude.left(1), "-");
  EXPECT_EQ(out.speedometerLongitude, "-113.9000");
}

// Records come from the recording: any bytes at all give sectors, texts
// and times inside their ranges (and, under the sanitizers, no undefined
// arithmetic).
TEST(TelemetryDispatchSequence, ArbitraryRecordsStayInRange) {
  std::mt19937 random(20261211);
  Feed feed([](double lon, double lat, int, double& outLon, double& outLat) {
    outLon = lon;
    outLat = lat;
    return true;
  });
  for (int i = 0; i < 20000; ++i) {
    std::array<unsigned char, kTelemetryRecordBytes> record{};
    for (unsigned char& byte : record) byte = static_cast<unsigned char>(random());
    TelemetrySettings settings = English(static_cast<int>(random() % 2));
    settings.speedUnit = static_cast<int>(random() % 4);
    bool reset = random() % 2 == 0;
    const TelemetryOutcome out = feed.dispatch().Dispatch(record.data(), settings, random(), reset);
    ASSERT_GE(out.map.sector, 0);
    ASSERT_LE(out.map.sector, 7);
    if (out.dropped) continue;
    // At most 1440 minutes; a second byte past 59 is shown as it is.
    ASSERT_TRUE(out.timeText.endsWith(" / 05:00") && out.timeText.size() <= 16) << out.timeText.toStdString();
    if (out.fresh) {
      bool number = false;
      out.map.latitude.toDouble(&number);
      ASSERT_TRUE(number) << out.map.latitude.toStdString();
    }
  }
}

}  // namespace
