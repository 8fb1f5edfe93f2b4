#include "platform/os/MachineTimeZone.h"

#include <QtGlobal>
#include <ctime>

void UseMachineTimeZone() {
  if (!qEnvironmentVariableIsSet("TZ"))
    return;
  qunsetenv("TZ");
  tzset();  // the C library reads the zone again, now from /etc/localtime
}
