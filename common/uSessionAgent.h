#pragma once
// The session's side of the guard's watch and lock (docs/host-interface.md, "The session agent"
// and "The lock kept by the guard"). In guarded mode the host registers with the guard as its
// session's agent as it starts and starts the lock program when the guard says the account's
// lock is due; the lock program registers too. The guard keeps a registration for as long as
// this process's connection to the system bus lives: a program that ends, however it ends, is
// missed. A guard that restarts knows no registration: each registers again, for as long as the
// owner given lives, whenever the guard comes back. In single-account mode the card counter starts the lock
// program itself and there is nothing to register.
class QObject;

// Registers this process as its session's agent and starts the lock program (the machine's value
// PembloLock) when the account is locked already and, for as long as owner lives, whenever the
// guard says this account's lock is due. Raises the guard's refusal.
void RegisterSessionAgent(QObject *owner);
// Registers this process as its account's lock program.
void RegisterLockProgram(QObject *owner);
// Whether the lock screen may open: in guarded mode when the guard holds this account's lock no
// longer, in single-account mode when the cards were taken back below three. A count that cannot
// be read keeps the lock.
bool LockMayOpen();
// After the parent's right password in the lock screen (which opened a parent session for this
// process in guarded mode): gives this account's lock back.
void GiveLockBack();
