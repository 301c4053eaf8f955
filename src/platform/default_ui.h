// The platform's own message box, used until a front end installs its port.
#pragma once

#include "platform/ui_port.h"

UiPort& DefaultUi();
