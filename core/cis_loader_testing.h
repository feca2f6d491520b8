#pragma once
// Test seam of the loader: runs `hook` once the file is open and its size
// and date taken, before the lock and the read; an empty function removes
// it. Lets a test change the file at the worst moment.
#include <functional>

void SetLoadBeforeLockHookForTesting(std::function<void()> hook);
