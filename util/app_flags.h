#pragma once
// Process-wide flags that several subsystems read.
#include <atomic>

// Set once by the wizard's close sequence; from then on no state change is made
// and no download progress is posted.
inline std::atomic<bool> g_applicationClosing{false};
