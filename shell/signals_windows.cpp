// velmora: the ending signals on Windows: the console's control events, recorded by a handler
// that Windows runs on a thread of its own, and the exit status Windows gives them.
#include "shell/signals.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace {

// What Windows' own handling ends a console program with on any of these events, and what its
// shells then report ("{Application Exit by CTRL+C}", 0xC000013A, -1073741510).
constexpr DWORD kControlCExit = STATUS_CONTROL_C_EXIT;

// How long an event's thread leaves the screen to the main thread, whose 1 ms timer acts on the
// event as soon as the main loop runs. Short of the 5 s that Windows gives the processes of a
// console being closed, with room for a mode switch after it.
constexpr DWORD kMainThreadGrace = 2000;

// Written by the events' threads, read by the main thread.
std::atomic<int> pending{0};

int signalFor(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    default:  // the console closed, the user logging off, the system shutting down
        return SIGTERM;
    }
}

// Windows calls this on a new thread for each event and ends the process once it returns, so it
// never returns: the main thread ends the process meanwhile, or, if it is busy for longer than
// the grace (a long picture load, say), this thread gives the screen back itself. The display's
// mode belongs to no thread; a null mode puts back the one saved in the registry, which a
// temporary change such as game mode's leaves as it was.
BOOL WINAPI recordEndingEvent(DWORD event)
{
    int none = 0;
    pending.compare_exchange_strong(none, signalFor(event));
    Sleep(kMainThreadGrace);
    ChangeDisplaySettingsW(nullptr, 0);
    // Not ExitProcess: that would wait for any lock the busy main thread holds.
    TerminateProcess(GetCurrentProcess(), kControlCExit);
    return TRUE;
}

}  // namespace

// Where Ctrl+C is ignored (inherited, as from `start /b`), Windows does not call the handler for it.
void catchEndingSignals()
{
    SetConsoleCtrlHandler(recordEndingEvent, TRUE);
}

int pendingEndingSignal()
{
    return pending.load();
}

void endBySignal(int)
{
    ExitProcess(kControlCExit);
}
