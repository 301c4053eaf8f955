#include "platform/com.h"

void ComInitialize() {}
void ComUninitialize() {}
