// velmora tests: the benchmark's reference (a) makes exactly the calls of the chain frame it copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/reference_frame.h"
#include "glrecord.h"
#include "modes/mode13.h"
#include "shell/velmora.h"
#include "testutil.h"
#include "view/camera.h"

// Both frames on the same scene, recorded call by call: the same names, the same values (the
// meshes' floats included), in the same order. Different angles per ring and a spin that is
// not zero, so that a value taken from the wrong place shows.
TEST(BenchReference, MakesTheChainFramesCallsWithTheSameValues)
{
    resetGlRecord();
    genericInit();
    d13modeInitFunc();
    stderrOf([] { reshapeFunc(1200, 900); });
    const FlatMesh ring = flatten(d13.gimbal), solid = flatten(d13.dodecahedron);
    for (int32_t j = 0; j < maxGimbals; ++j)
        d13.angle[j] = 0.3 * j;
    glRecord.elapsedMs = 1800;
    for (int rings : {1, 2, 127}) {
        SCOPED_TRACE(std::to_string(rings) + " rings");
        d13.gimbalc = rings;
        glRecord.calls.clear();
        d13display();
        const std::vector<GlCall> real = std::move(glRecord.calls);
        glRecord.calls.clear();
        referenceFrame([&](int mesh) { drawFlat(mesh == 0 ? ring : solid); });
        const std::vector<GlCall> &copy = glRecord.calls;
        const auto [c, r] = std::mismatch(copy.begin(), copy.end(), real.begin(), real.end());
        EXPECT_TRUE(c == copy.end() && r == real.end())
            << "call " << c - copy.begin() << " of the copy is " << (c == copy.end() ? "missing" : glCallText(*c))
            << ", of the real frame " << (r == real.end() ? "missing" : glCallText(*r));
    }
}
