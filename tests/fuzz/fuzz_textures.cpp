// velmora fuzz target: the input bytes are a texture file, loaded through the
// real loader under each of the six keys of its table.
//
// Every input must either load or end in the fatal check; which one is
// predictable from the bytes: a file loads exactly when it starts with the
// row's header and holds at least the row's pixel bytes after it. A load must
// hand GL width * height * 3 unsigned shorts equal to the file's samples.
//
// Link seams (see CMakeLists.txt): this file defines assure_failed, so the
// library's version, which exits, is not linked; it throws back to the entry
// point instead. fopen and fclose are wrapped, so that a stream the loader
// leaves open when its check fails (the program would exit there) is closed
// here instead of leaking one descriptor per input.
#include <fcntl.h>
#include <unistd.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "glrecord.h"
#include "shell/assure.h"
#include "textures/textures.h"

namespace {

struct Row {
    const char *key;
    int size;    // width and height
    bool wide;   // 16-bit samples
};

// The loader's table as the README and the files describe it.
const Row rows[] = {
    {"pond", 256, true}, {"xeb2", 512, false}, {"ntux", 512, false},
    {"pipe", 512, true}, {"path", 256, true},  {"pgac", 512, false},
};

struct FatalCheck {
    const char *expression;
    const char *file;
    int line;
};

// Streams opened through fopen while the loader runs and not yet closed.
bool tracking = false;
std::vector<FILE *> openStreams;

// The private directory the loader runs in, and where the fuzzer was started:
// the loader reads data/rescales/ relative to the working directory, while
// libFuzzer's corpus and artifact paths may be relative to where it started.
std::filesystem::path workDir;
int workFd = -1;
int homeFd = -1;

void enterWorkDir()
{
    if (fchdir(workFd) != 0)
        __builtin_trap();
}

void leaveWorkDir()
{
    if (homeFd >= 0 && fchdir(homeFd) != 0)
        __builtin_trap();
}

void removeWorkDir()
{
    std::error_code ignored;
    if (!workDir.empty())
        std::filesystem::remove_all(workDir, ignored);
}

[[noreturn]] void fail(const char *key, const char *what)
{
    leaveWorkDir();  // so that libFuzzer writes the crashing input where asked
    removeWorkDir();  // a trap skips the atexit handler
    std::fprintf(stderr, "fuzz_textures: key '%s': %s\n", key, what);
    __builtin_trap();
}

std::string header(const Row &row)
{
    char text[64];
    std::snprintf(text, sizeof text, "P6\n%d %d\n%d\n", row.size, row.size, row.wide ? 65535 : 255);
    return text;
}

// Runs one load; true when it returned, false when its fatal check fired.
bool load(const char *key, FatalCheck &fatal)
{
    tracking = true;
    try {
        loadNamedTexturePPM(key);
        tracking = false;
        return true;
    } catch (const FatalCheck &caught) {
        tracking = false;
        fatal = caught;
        return false;
    }
}

void writeInput(const uint8_t *data, size_t size)
{
    const int fd = open("input.ppm", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        fail("-", "cannot write input.ppm");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            fail("-", "cannot write input.ppm");
        done += static_cast<size_t>(n);
    }
    close(fd);
}

void checkUpload(const Row &row, const uint8_t *data)
{
    if (glCallCount("glTexImage2D") != 1)
        fail(row.key, "a load did not make exactly one glTexImage2D call");
    const GlCall &upload = *std::find_if(glRecord.calls.begin(), glRecord.calls.end(),
                                         [](const GlCall &c) { return c.name == "glTexImage2D"; });
    // target, level, internal format, width, height, border, format, type
    const std::vector<double> expected = {GL_TEXTURE_2D, 0, GL_RGB, double(row.size), double(row.size),
                                          0, GL_RGB, GL_UNSIGNED_SHORT};
    if (upload.args != expected)
        fail(row.key, "glTexImage2D arguments differ from the row's size and format");
    const size_t samples = static_cast<size_t>(row.size) * static_cast<size_t>(row.size) * 3;
    const std::vector<uint16_t> &got = glRecord.lastTexImageShorts;
    if (got.size() != samples)
        fail(row.key, "glTexImage2D was not handed width * height * 3 samples");
    const uint8_t *pixels = data + header(row).size();
    for (size_t i = 0; i < samples; ++i) {
        const uint16_t want = row.wide ? static_cast<uint16_t>(pixels[2 * i] << 8 | pixels[2 * i + 1])
                                       : static_cast<uint16_t>(pixels[i] << 8);
        if (got[i] != want)
            fail(row.key, "uploaded samples differ from the file's");
    }
}

}  // namespace

extern "C" FILE *__real_fopen(const char *path, const char *mode);
extern "C" int __real_fclose(FILE *stream);

extern "C" FILE *__wrap_fopen(const char *path, const char *mode)
{
    FILE *f = __real_fopen(path, mode);
    if (f != nullptr && tracking)
        openStreams.push_back(f);
    return f;
}

extern "C" int __wrap_fclose(FILE *stream)
{
    std::erase(openStreams, stream);
    return __real_fclose(stream);
}

void assure_failed(const char *expression, const char *file, int line)
{
    throw FatalCheck{expression, file, line};
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A private directory holding data/rescales/<key>.ppm, each a link to the
    // one file the inputs are written to.
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/velmora-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        fail("-", "cannot make a temporary directory");
    workDir = pattern;
    std::atexit(removeWorkDir);
    std::filesystem::create_directories(workDir / "data/rescales");
    workFd = open(workDir.c_str(), O_RDONLY | O_DIRECTORY);
    homeFd = open(".", O_RDONLY | O_DIRECTORY);
    if (workFd < 0 || homeFd < 0)
        fail("-", "cannot open the working directories");
    for (const Row &row : rows)
        std::filesystem::create_symlink("../../input.ppm", workDir / "data/rescales" / (std::string(row.key) + ".ppm"));
    resetGlRecord();

    // The seam must be in place: an unknown key is fatal, and with the
    // library's assure_failed linked the process would exit here. This first
    // load also takes the staging buffers from the arena.
    FatalCheck fatal{};
    enterWorkDir();
    const bool loaded = load("none", fatal);
    leaveWorkDir();
    if (loaded || std::strcmp(fatal.file, "textures/textures.cpp") != 0)
        fail("none", "an unknown key did not reach the fatal check");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    enterWorkDir();
    writeInput(data, size);
    for (const Row &row : rows) {
        const std::string expectedHeader = header(row);
        const size_t pixelBytes = static_cast<size_t>(row.size) * static_cast<size_t>(row.size) * 3 * (row.wide ? 2 : 1);
        const bool shouldLoad = size >= expectedHeader.size() + pixelBytes &&
                                std::memcmp(data, expectedHeader.data(), expectedHeader.size()) == 0;

        resetGlRecord();
        FatalCheck fatal{};
        const bool loaded = load(row.key, fatal);
        if (loaded) {
            if (!openStreams.empty())
                fail(row.key, "a load returned with its file still open");
            if (!shouldLoad)
                fail(row.key, "a file without the row's header and size loaded");
            checkUpload(row, data);
        } else {
            if (openStreams.size() > 1)
                fail(row.key, "the loader had more than one file open");
            for (FILE *f : std::vector<FILE *>(openStreams))
                std::fclose(f);
            if (shouldLoad)
                fail(row.key, "a well-formed file did not load");
            if (std::strcmp(fatal.file, "textures/textures.cpp") != 0)
                fail(row.key, "a fatal check outside the loader fired");
        }
    }
    leaveWorkDir();
    return 0;
}
