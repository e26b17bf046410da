#pragma once
// `tarn download IMAGE --port A --port B ...`: one image written to every
// listed drive at once. Each drive gets a `tarn download` of its own, as a
// child process: the dialogs' logic keeps one configuration object for the
// whole process, and a process of its own gives each drive that object, its
// link and its receive thread, and keeps a drive that hangs or fails away from
// the others. The image file is opened for one process alone while it is
// read, so each download starts once the one before has loaded it; then they
// all write at once. Each log line is shown with its port in front; a table of
// port, station, result and seconds ends the run (with --json, one document).
#include "app/console/command_line.h"
#include "app/console/signals.h"

namespace tarn::console {

// 0 only when every drive finished. Each stop signal is passed on to the
// drives' own runs, and the table still ends the run.
int RunClone(const CommandLine& line, StopSignals* signals = nullptr);

}  // namespace tarn::console
