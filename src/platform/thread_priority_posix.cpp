#include <unistd.h>

#include "platform/thread_priority.h"

// Linux keeps a nice value per thread: nice() moves the calling thread's alone.
void LowerThreadPriority() { static_cast<void>(::nice(10)); }
