// The demo song in the repository is exactly what its generator composes.
#include "RunProgram.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;

TEST(DemoSong, GeneratorReproducesTheShippedFile) {
    TempDir dir;
    std::string made = (dir / "demo.imf").string();
    ASSERT_EQ(RunProgram(MAKE_DEMO_PATH, {made}).status, 0);
    std::filesystem::path shipped = std::filesystem::path(IMF_SOURCE_DIR) / "demo" / "demo.imf";
    EXPECT_EQ(ReadBytes(made), ReadBytes(shipped));
}
