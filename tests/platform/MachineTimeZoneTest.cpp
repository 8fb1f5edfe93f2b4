// A time zone set on a program's start line does not move the parent's rules: the programs read
// local time in the machine's zone whatever TZ they were started with.
#include "tests/support/ProbeProcess.h"

#include <QDateTime>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

TEST(MachineTimeZone, ATimeZoneFromTheStartLineIsDropped) {
  // This test's own process runs in the machine's zone (CTest sets no TZ).
  ASSERT_FALSE(qEnvironmentVariableIsSet("TZ"));
  const int machine = QDateTime(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC).toLocalTime().offsetFromUtc();
  for (const char *zone : {"Etc/GMT+12", "Etc/GMT-14", "UTC", ":Pacific/Kiritimati"}) {
    SCOPED_TRACE(zone);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QString::fromLatin1(zone));
    TProbe probe({QStringLiteral("localoffset")}, env);
    EXPECT_EQ(probe.NextLine(), QString::number(machine));
  }
}
