#pragma once
// The children's accounts as the management window reaches them: in guarded mode the guard keeps
// them (the members of its children's group) and a parent session of this process's bus
// connection may add one; single-account mode has no children's accounts to keep. Touches the
// guard's link only.
#include <QString>

// True when this process runs in guarded mode, so a parent can make an account a child's.
bool ChildAccountsKept();

// Makes the account a child's through the guard. Raises with the guard's text when it refuses
// (no parent session, an unknown account), and when no guard keeps the children's accounts.
void AddChildAccount(const QString &user);
