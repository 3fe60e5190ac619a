#pragma once
#include <windows.h>
#include <functional>

// Dispatches this thread's messages until done() holds or limitMs have passed; returns
// done()'s last value. Waits for messages, never sleeps blindly.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs);
// Dispatches what is queued now and what that queues in turn, for at most limitMs.
void PumpPending(DWORD limitMs = 500);
