// What an install keeps on the disk only while it runs: the package, each entry's
// temporary and the sibling its decoder writes before renaming it over the target.
// Whatever ends the run (its own end, Cancel, the fatal path) deletes them, and the next
// install or removal deletes what a killed run or a closed window left.
#pragma once

#include <string>

#include "app/state.h"

// The sibling of the target whose temporary this is.
std::string SiblingOfTemporary(const std::string& temporary);

// Deletes each temporary and its sibling where they exist.
void DeleteTemporariesAndSiblings(const StringList& temporaries);

// Deletes this run's package, temporaries and siblings. Safe while the install worker
// is still filling g_tempFiles: both are read under g_pathsLock.
void DeletePackageAndTemporaries();

// What an earlier run left under root for these (checked) entries: the package, each
// entry's temporary and sibling.
void DeleteLeftoversOf(const StringList& entries, const char* root);

// Hands the fatal path the install's clean-up: it stops the decoders from writing more
// and deletes what DeletePackageAndTemporaries deletes.
void RegisterInstallFatalCleanUp();

// A confirmed Cancel, before the window goes: ends the window's download taskbar, asks
// the job to stop, gives it 1.5 s to do so, then deletes the package and the temporaries.
void CancelCleanUp();

constexpr int kCancelWaitMs = 1500;
