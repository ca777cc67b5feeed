// gridtool picture's side of the pictures: where libpng was found, the files
// it writes (their pixels are gridtool_png's tests' to check); where it was
// not, the refusal.
#include "support/temp_file.h"
#include "gridtool_run.h"

namespace {

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

TEST(GridtoolPicture, PhaseMapAndFrameToAFileAndToStandardOutput) {
    const temp_file out("picture.png");
    std::filesystem::remove(out.path);
    const plat::process_result r = gridtool({"picture", GRIDTOOL_EXAMPLE, out.str()});
    if (!GRIDTOOL_HAVE_PNG) {
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.err,
                  "gridtool: picture and png output are not built in (libpng was not found when "
                  "gridtool was built)\n(see gridtool --help)\n");
        EXPECT_FALSE(out.exists());
        return;
    }
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(out.read().substr(0, 8), kPngSignature);
    const plat::process_result to_stdout = gridtool({"picture", GRIDTOOL_EXAMPLE, "-"});
    ASSERT_EQ(to_stdout.exit_code, 0) << to_stdout.err;
    EXPECT_EQ(to_stdout.out, out.read());
    const plat::process_result frame =
        gridtool({"picture", "--force", "--frame", "1", GRIDTOOL_EXAMPLE, out.str()});
    ASSERT_EQ(frame.exit_code, 0) << frame.err;
    EXPECT_EQ(out.read().substr(0, 8), kPngSignature);
    const plat::process_result missing =
        gridtool({"picture", "--force", "--frame", "2", GRIDTOOL_EXAMPLE, out.str()});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(missing.err,
              std::string("gridtool: ") + GRIDTOOL_EXAMPLE + ": ERR_PARAM_OUT_OF_RANGE (no frame 2)\n");
}

TEST(GridtoolPicture, BatchDrawsEachGoodFile) {
    const temp_file dir("picture-batch");
    const temp_file bad("picture-bad.dat");
    bad.write_text("no data file");
    std::filesystem::remove_all(dir.path);
    const plat::process_result r =
        gridtool({"batch", "--format", "png", "--to", dir.str(), GRIDTOOL_EXAMPLE, bad.str()});
    if (!GRIDTOOL_HAVE_PNG) {
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_FALSE(std::filesystem::exists(dir.path));
        return;
    }
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "gridtool: " + bad.str() + ": ERR_NOT_A_DATA_FILE\ngridtool: converted 1, failed 1\n");
    const temp_file png("picture-batch/sphere.png");
    EXPECT_EQ(png.read().substr(0, 8), kPngSignature);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove(png.path);
    std::filesystem::remove_all(dir.path);
}

}  // namespace
