// velmora: the ending signals on a POSIX system: caught with sigaction, recorded in one
// lock-free atomic, and re-raised with their default action.
#include "shell/signals.h"

#include <signal.h>

#include <atomic>
#include <cstdlib>

namespace {

const int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Written by the handler, which may run on any of the process's threads (the GL driver has
// its own), so an atomic rather than a volatile flag; lock-free, so safe inside a handler.
std::atomic<int> pending{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void recordEndingSignal(int signal)
{
    int none = 0;
    pending.compare_exchange_strong(none, signal);
}

}  // namespace

void catchEndingSignals()
{
    struct sigaction action = {};
    action.sa_handler = recordEndingSignal;
    // Restarted system calls: the handler only records, so nothing it interrupts should fail.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : endingSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : endingSignals) {
        struct sigaction before;
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

int pendingEndingSignal()
{
    return pending.load();
}

void endBySignal(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    // Every ending signal's default action ends the process before raise returns; this is
    // for a signal whose default is to be ignored, so that the promise not to return holds.
    std::_Exit(128 + signal);
}
