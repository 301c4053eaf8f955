// The wizard's page machine: what the window does with its buttons, its timer, key
// presses and the close box. The window procedure hands these messages over and paints
// (DrawPage) whatever g_page names afterwards.
#pragma once

// Window messages handled here, with their platform values.
enum : unsigned { kWmClose = 0x10, kWmKeyDown = 0x100, kWmCommand = 0x111, kWmTimer = 0x113 };

enum class Handling {
  Done,     // handled here; the window procedure returns 0
  Default,  // for the platform's default window procedure
};

// command is the control id of a WM_COMMAND (its low word); other messages ignore it.
Handling WizardMessage(unsigned message, int command);

// The handlers by themselves.
Handling OnCommand(int id);  // Default for an id without a handler
void OnTimer();
void OnClose();

// g_modelVersionLine from the four bytes of g_modelVersionText.
void FillModelVersionLine();
