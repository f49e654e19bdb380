#pragma once

// SIGTERM, SIGINT and SIGHUP (a session that ends, Ctrl+C, a closed terminal) end the player as
// closing its window would, but without the unsaved-changes question, since nobody is there to
// answer it: every running event loop returns, the main window is destroyed, which releases the
// output device and deletes the temporary files, and the instance socket is removed. The
// process then exits with code 0. Call once, after the application object exists.
void QuitOnTerminationSignals();
