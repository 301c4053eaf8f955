#include <objbase.h>

#include "platform/com.h"

// Results are not tested: a failed initialisation leaves the taskbar list unavailable,
// which every taskbar operation tolerates.
void ComInitialize() { (void)CoInitialize(nullptr); }
void ComUninitialize() { CoUninitialize(); }
