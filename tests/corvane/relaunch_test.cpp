#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "corvane/app/relaunch.h"

namespace {

TEST(Relaunch, StartsAnIndependentProcessWithTheArguments) {
  QTemporaryDir dir;
  const QString marker = dir.filePath("started");
  ASSERT_TRUE(StartNewInstance(RELAUNCH_PROBE_PATH, {marker, "/media/disk", "x y"}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 10000));
  QFile file(marker);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList words = QString::fromUtf8(file.readAll()).split(' ');
  ASSERT_EQ(words.size(), 4);
  EXPECT_NE(words[0].toLongLong(), static_cast<qint64>(getpid()));
  EXPECT_EQ(words[1], "/media/disk");
  EXPECT_EQ(words[2] + " " + words[3], "x y");
}

TEST(Relaunch, MissingProgramIsReported) {
  QTemporaryDir dir;
  EXPECT_FALSE(StartNewInstance(dir.filePath("no-such-program"), {}));
}

}  // namespace
