// The end of the process when an output file cannot be created, written or put in
// place: one box, "(null) failed with error N: <system text>", caption "Error", no
// owner, then exit with the system error code. Before the box the clean-up that the
// workers registered stops the other writers and deletes this run's files, so that a
// full disk is not left fuller; the code is taken before it runs.
#pragma once

#include <string>

// The calling thread's last system error: errno, or GetLastError on Windows.
int LastSystemError();

[[noreturn]] void ReportFatalSystemError();  // with LastSystemError()
[[noreturn]] void ReportFatalSystemError(int code);

// The platform layer cannot know what a run wrote: the workers hand it their clean-up
// (null for none). It runs before the box and once more before the exit, for what a
// stopped thread still had open or wrote meanwhile.
void SetFatalCleanUp(void (*cleanUp)());

// Text of that box for an error code and the system's description of it.
std::string FatalErrorText(int code, const std::string& systemText);

// For the platforms' ReportFatalSystemError: lets the first failing thread on to the box;
// another one that fails meanwhile waits here until the process ends. Then cleans up.
void EnterFatalEnd();
void RunFatalCleanUp();

// The exit code for a system error code: itself, but never 0, which would tell a caller
// that the run succeeded (a failed call that set no error code gives 1).
int FatalExitCode(int code);
