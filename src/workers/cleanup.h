// Deletes the package and every temporary that exists. Safe while the install worker
// is still filling g_tempFiles: both are read under g_pathsLock.
#pragma once

void DeletePackageAndTemporaries();
