#pragma once

#include <chrono>

// Blocks in a nested event loop until the duration has passed, so timers,
// port notifications and the operator's clicks all run meanwhile without the
// CPU spinning. Returns early only when the application is quitting.
void waitWithEvents(std::chrono::milliseconds duration);
