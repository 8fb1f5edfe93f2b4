#pragma once
// The time zone the rules are read in. A program's schedules (program limits, black-list
// windows) are the parent's, set in the machine's local time: the zone /etc/localtime names. A
// TZ variable in the environment, which whoever starts a program can set, would move every
// window; it is dropped before any time is read. Touches the process's environment only.
void UseMachineTimeZone();
