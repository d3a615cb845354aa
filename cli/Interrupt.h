#pragma once
// Ctrl+C and termination requests: the run finishes the file it is writing (saves are atomic)
// and stops, so no partial file is left behind.
namespace pv::cli {

// Installs the handlers for SIGINT and SIGTERM; a second signal ends the program at once.
void installInterruptHandlers();
bool interruptRequested();

}  // namespace pv::cli
