#pragma once
// The host's side of the guard's watch over the session (docs/host-interface.md, "The session
// agent"): in guarded mode the host registers with the guard as its session's agent as it
// starts. The guard keeps the registration for as long as this process's connection to the
// system bus lives, so nothing is sent again: a host that ends, however it ends, is missed.
// Nothing happens in single-account mode.

// Registers this process as the agent of its session; raises the guard's refusal.
void RegisterSessionAgent();
