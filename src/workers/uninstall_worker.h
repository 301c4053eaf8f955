// The removal: every listed file under the root, what an install left of itself (the
// package, temporaries and siblings), and each folder that this leaves empty directly
// above a listed file, on a thread of its own. Listed files that stay (held open, in a
// read-only folder) are counted to the user and end the run on the failure page.
#pragma once

void UninstallWorker();
