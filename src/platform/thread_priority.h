// The priority of the calling thread.
#pragma once

// Lets the calling thread yield to the process's other threads: below normal on
// Windows, ten steps nicer on Linux. It cannot be raised back; it ends with the thread.
void LowerThreadPriority();
