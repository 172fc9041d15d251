// Waiting on a condition with a deadline, for tests whose subject runs in another thread or
// process: the test goes on as soon as the condition holds instead of after a fixed pause.
#pragma once

#include <functional>

// Waits up to timeoutMs for predicate to hold, checking every 20 ms; true when it held.
bool waitFor(const std::function<bool()>& predicate, int timeoutMs);
