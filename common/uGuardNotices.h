#pragma once
// Passes the guard's signals of changes into this session as the suite's notices
// (uChangeNotices), so that a change made elsewhere (the parent's terminal, another session)
// reaches the browsers, the lock channel and the host's main window as a change made here does.
// A change this process made itself was told already by the code that made it, and is skipped.
// The host starts it once; nothing happens in single-account mode.
class QObject;

// Follows the guard for as long as owner lives; false when the bus refused a subscription.
bool FollowGuardChanges(QObject *owner);
