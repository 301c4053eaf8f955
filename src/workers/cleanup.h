// What is left of an install when it stops early: the package and the temporaries.
#pragma once

// Deletes the package and every temporary that exists. Safe while the install worker
// is still filling g_tempFiles: both are read under g_pathsLock.
void DeletePackageAndTemporaries();

// A confirmed Cancel, before the window goes: ends the window's download taskbar, asks
// the job to stop, gives it 1.5 s to do so, then deletes the package and the temporaries.
void CancelCleanUp();

constexpr int kCancelWaitMs = 1500;
