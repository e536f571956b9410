// velmora: the signals that ask the process to end: interrupt, terminate, hang-up and quit on a
// POSIX system; on Windows the console's events, Ctrl+C, Ctrl+Break and closing the console
// (logoff and shutdown too), recorded as SIGINT, SIGBREAK and SIGTERM. While the screen's mode
// may be changed they are only recorded; the program gives the screen back, then ends as the
// signal would have ended it. One implementation per platform: signals_posix.cpp,
// signals_windows.cpp.
#pragma once

// From now on each ending signal is recorded instead of ending the process; the first one of a
// burst is kept. A signal the process was started ignoring stays ignored (as under nohup).
// Windows: an event's thread waits 2 s for the main thread to end the process; if it has not,
// that thread puts the screen back in the registry's mode and ends the process itself.
void catchEndingSignals();
// The ending signal recorded first, or 0 while none has come.
int pendingEndingSignal();
// Ends the process by `signal` exactly as if it had never been caught. POSIX: its default
// action restored and the signal delivered again, so a shell sees 128 + signal. Windows: exit
// status STATUS_CONTROL_C_EXIT, as Windows ends a console program on any of its events.
[[noreturn]] void endBySignal(int signal);
