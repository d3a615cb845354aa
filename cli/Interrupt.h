#pragma once
// Ctrl+C and termination requests: the run finishes the file it is writing (saves are atomic)
// and stops, so no partial file is left behind.
namespace pv::cli {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; a second one ends the program at once.
// Whatever signal ends it, the files being written are removed first.
void installInterruptHandlers();
bool interruptRequested();

}  // namespace pv::cli
