// velmora tests: small helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#ifdef _WIN32
// Windows' C library has neither; there an empty value removes the variable, so a variable
// that is present is never empty.
inline int setenv(const char *name, const char *value, int)
{
    return _putenv_s(name, value);
}
inline int unsetenv(const char *name)
{
    return _putenv_s(name, "");
}
#endif

// The 1-based line of `file` (relative to the project root) on which `needle`
// first stands, so that tests can name the line of a fatal check exactly
// without copying line numbers that move when the file is edited.
inline int sourceLine(const std::string &file, const std::string &needle)
{
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/" + file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line)
        if (text.find(needle) != std::string::npos)
            return line;
    ADD_FAILURE() << "'" << needle << "' not found in " << file;
    return -1;
}

// The exact two-line message of a failed fatal check.
inline std::string fatalMessage(const std::string &file, int line, const std::string &expression)
{
    return "velmora: fatal: assure: (file '" + file + "', line " + std::to_string(line) + "):\n\t'" + expression +
           "' was FALSE\n";
}

// Runs `body` with standard error captured and returns what it wrote.
template <typename Body> std::string stderrOf(Body body)
{
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}
