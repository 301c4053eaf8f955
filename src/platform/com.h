// COM on the calling thread, for the taskbar list. Nothing to do where there is no COM.
#pragma once

void ComInitialize();
void ComUninitialize();
