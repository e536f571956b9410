// velmora: the fatal check.
#pragma once

// assure(cond): evaluates cond exactly once, in every build. When it is false,
// reports the condition's text with this file and line and ends the process
// with status 1. Conditions may do real work (open or read a file).
#define assure(cond) \
    ((cond) ? (void)0 : assure_failed(#cond, __FILE__, __LINE__))

// Writes the two-line fatal message to standard error and exits with status 1.
[[noreturn]] void assure_failed(const char *expression, const char *file, int line);
