// The removal: every listed file under the root, and each folder that this leaves
// empty directly above a listed file, on a thread of its own.
#pragma once

void UninstallWorker();
