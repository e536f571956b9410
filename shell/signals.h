// velmora: the signals that ask the process to end (interrupt, terminate, hang-up, quit). While
// the screen's mode may be changed they are only recorded; the program gives the screen back,
// then ends by the same signal. One implementation per platform: signals_posix.cpp here.
#pragma once

// From now on each ending signal is recorded instead of ending the process; the first one of a
// burst is kept. A signal the process was started ignoring stays ignored (as under nohup).
void catchEndingSignals();
// The ending signal recorded first, or 0 while none has come.
int pendingEndingSignal();
// Ends the process by `signal` exactly as if it had never been caught: its default action
// restored and the signal delivered again, so a shell sees 128 + signal.
[[noreturn]] void endBySignal(int signal);
