// velmora tests: the PPM texture loader on tiny hand-made files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "glrecord.h"
#include "shell/xalloc.h"
#include "testutil.h"
#include "textures/textures.h"

using testing::ElementsAre;
using testing::Eq;
using testing::ExitedWithCode;

namespace fs = std::filesystem;

class Loader : public testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("velmora-textures-" + std::to_string(getpid()));
        fs::create_directories(dir / "data/rescales");
        resetGlRecord();
    }
    void TearDown() override
    {
        fs::current_path(home);
        fs::remove_all(dir);
    }

    std::string write(const std::string &name, const std::string &bytes)
    {
        const std::string path = (dir / name).string();
        FILE *f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    int load(const std::string &path, int size, int skip, bool wide)
    {
        return loadTexturePPM(narrow.data(), wider.data(), path.c_str(), size, size, skip, wide);
    }
    static std::string fatal(const std::string &needle, const std::string &expression)
    {
        return fatalMessage("textures/textures.cpp", sourceLine("textures/textures.cpp", needle), expression);
    }

    fs::path dir;
    fs::path home = fs::current_path();
    std::vector<unsigned char> narrow = std::vector<unsigned char>(4096);
    std::vector<uint16_t> wider = std::vector<uint16_t>(4096);
};

// A 2 x 2 picture: 12 samples of 8 bits.
static const std::string header8 = "P6\n2 2\n255\n";
static const std::string pixels8("\xff\x80\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 12);
// The same picture with 16-bit samples, most significant byte first.
static const std::string header16 = "P6\n2 2\n65535\n";
static const std::string pixels16("\x12\x34\xff\xfe\x00\x01\x80\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                  "\x00\x00\x00\x00\xab\xcd",
                                  24);

TEST_F(Loader, EightBitSamplesAreWidenedIntoTheHighByte)
{
    const int name = load(write("a.ppm", header8 + pixels8), 2, 11, false);
    EXPECT_EQ(name, 1);
    EXPECT_THAT(std::vector<uint16_t>(glRecord.lastTexImageShorts.begin(), glRecord.lastTexImageShorts.begin() + 4),
                ElementsAre(65280, 32768, 0, 256));
    EXPECT_EQ(glRecord.lastTexImagePixels, wider.data());
    EXPECT_THAT(glCallTexts(), ElementsAre("glPixelStorei(3317, 1)", "glGenTextures(1)", "glBindTexture(3553, 1)",
                                           "glTexParameteri(3553, 10240, 9729)", "glTexParameteri(3553, 10241, 9729)",
                                           "glTexImage2D(3553, 0, 6407, 2, 2, 0, 6407, 5123)"));
}

TEST_F(Loader, SixteenBitSamplesAreBigEndianAndTrailingBytesIgnored)
{
    load(write("b.ppm", header16 + pixels16 + "trailing"), 2, 13, true);
    const std::vector<uint16_t> &s = glRecord.lastTexImageShorts;
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[0], 0x1234);
    EXPECT_EQ(s[1], 0xfffe);
    EXPECT_EQ(s[2], 0x0001);
    EXPECT_EQ(s[3], 0x8000);
    EXPECT_EQ(s[11], 0xabcd);
}

TEST_F(Loader, UnreadableFilesAreFatalWithTheCheckThatFailed)
{
    const std::string open = fatal("fopen(path", "(f = fopen(path, \"rb\")) != NULL");
    const std::string header = fatal("fread(narrow, kludge_skip", "fread(narrow, kludge_skip, 1, f) == 1");
    const std::string pixels =
        fatal("fread(SWITCH", "fread(SWITCH(kludge_wider, wider, narrow), size, 1, f) == 1");
    EXPECT_EXIT(load((dir / "missing.ppm").string(), 2, 11, false), ExitedWithCode(1), Eq(open));
#ifdef _WIN32
    EXPECT_EXIT(load(dir.string(), 2, 11, false), ExitedWithCode(1), Eq(open));  // a directory does not open
#else
    EXPECT_EXIT(load(dir.string(), 2, 11, false), ExitedWithCode(1), Eq(header));  // a directory reads nothing
#endif
    EXPECT_EXIT(load(write("empty.ppm", ""), 2, 11, false), ExitedWithCode(1), Eq(header));
    EXPECT_EXIT(load(write("headless.ppm", header8.substr(0, 10)), 2, 11, false), ExitedWithCode(1), Eq(header));
    EXPECT_EXIT(load(write("short8.ppm", header8 + pixels8.substr(0, 11)), 2, 11, false), ExitedWithCode(1),
                Eq(pixels));
    EXPECT_EXIT(load(write("short16.ppm", header16 + pixels16.substr(0, 23)), 2, 13, true), ExitedWithCode(1),
                Eq(pixels));
}

TEST_F(Loader, HeaderOtherThanTheExpectedOneIsFatal)
{
    const std::string mismatch =
        fatal("assure(headerMatches(", "headerMatches(narrow, kludge_skip, width, height, kludge_wider)");
    for (const std::string &header : {std::string("P6\n3 2\n255\n"), std::string("P6\n2 2\n254\n"),
                                      std::string("P3\n2 2\n255\n"), std::string("P6#2 2\n255\n"),
                                      std::string("P6\n2 2\n255 ")})
        EXPECT_EXIT(load(write("wrong.ppm", header + pixels8), 2, 11, false), ExitedWithCode(1), Eq(mismatch))
            << header;
    // Right bytes, wrong sample width for the row.
    EXPECT_EXIT(load(write("deep.ppm", header8 + pixels8 + pixels8), 2, 11, true), ExitedWithCode(1), Eq(mismatch));
}

TEST_F(Loader, NamedLoadTakesTheStagingBuffersOnceAndMakesANewTextureEachTime)
{
    // The first named load of a process takes 9 MiB then 18 MiB: run it in a fresh one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string pond = "P6\n256 256\n65535\n" + std::string(256 * 256 * 6, '\x7f');
    write("data/rescales/pond.ppm", pond);
    fs::current_path(dir);
    EXPECT_EXIT(
        {
            unsigned char *start = xalloc_ptr;
            const int first = loadNamedTexturePPM("pond");
            const void *staging = glRecord.lastTexImagePixels;
            unsigned char *after = xalloc_ptr;
            const int second = loadNamedTexturePPM("pond");
            std::fprintf(stderr, "%td %td %td %d\n", static_cast<const unsigned char *>(staging) - start,
                         after - start, xalloc_ptr - after, first != second);
            std::exit(0);
        },
        ExitedWithCode(0), Eq(std::to_string(xalloc_footprint(9437184)) + " " +
                              std::to_string(xalloc_footprint(9437184) + xalloc_footprint(18874368)) + " 0 1\n"));
}

TEST_F(Loader, KeysMatchOnlyWhole)
{
    const std::string unknown = fatal("assure(false)", "false");
    for (const char *key : {"PGAC", "pga", "pgac2", ""})
        EXPECT_EXIT(loadNamedTexturePPM(key), ExitedWithCode(1), Eq(unknown)) << key;
}
