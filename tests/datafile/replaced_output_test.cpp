// The writers' output takes its new content only once all of it is written:
// a failure part way leaves an existing file as it was, a link keeps its
// link and a file its permissions; devices are written in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "support/child_run.h"
#include "support/temp_file.h"

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

size_t entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// A measurement of a few kilobytes of text in either format.
struct phase_only {
    data_file_ident ident{};
    data_file_params params{};
    std::vector<int32_t> values = std::vector<int32_t>(40 * 30, -123456789);
    phase_matrix phase{static_cast<uint32_t>(values.size()), {0, 0, 40, 30}, values.data()};

    int32_t write_ascii(plat::path_ref path) const {
        return df_write_ascii(path, &ident, &params, nullptr, &phase);
    }
    int32_t write_phase_text(plat::path_ref path) const {
        return df_write_phase_text(path, &phase);
    }
};

class ReplacedOutput : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(folder_.path); }
    void TearDown() override { fs::remove_all(folder_.path); }
    temp_file folder_{"outputs"};
    phase_only m_;
};

#if !defined(_WIN32)

// Each writer, stopped part way by a file size limit, fails and leaves the
// file it was to replace as it was, with no temporary file beside it.
TEST_F(ReplacedOutput, WriteFailingPartWayLeavesTheFileAsItWas) {
    const fs::path file = folder_.path / "earlier.txt";
    const std::string earlier = "what the file held\r\n";
    for (const bool ascii : {true, false}) {
        std::ofstream(file, std::ios::binary) << earlier;
        const std::string report = run_in_child([&]() -> std::string {
            if (!limit_file_size(1024)) return "no file size limit";
            const int32_t result =
                ascii ? m_.write_ascii(file.string()) : m_.write_phase_text(file.string());
            return result == ERR_CANT_WRITE_FILE ? "" : "result " + std::to_string(result);
        });
        EXPECT_EQ(report, "") << (ascii ? "ASCII" : "phase text");
        EXPECT_EQ(read(file), earlier) << (ascii ? "ASCII" : "phase text");
        EXPECT_EQ(entries(folder_.path), 1u);
    }
}

TEST_F(ReplacedOutput, LinkKeepsItsLinkAndFileItsPermissions) {
    const fs::path file = folder_.path / "file.txt";
    std::ofstream(file) << "old";
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, mode);
    fs::create_symlink("file.txt", folder_.path / "link.txt");
    ASSERT_EQ(m_.write_ascii((folder_.path / "link.txt").string()), NO_ERROR);
    EXPECT_TRUE(fs::is_symlink(folder_.path / "link.txt"));
    EXPECT_EQ(read(file).rfind("Tesk ASCII Data File - Format 2\r\n", 0), 0u);
    EXPECT_EQ(fs::status(file).permissions(), mode);
    EXPECT_EQ(entries(folder_.path), 2u);
}

// A new output gets the permissions any new file gets, not a temporary
// file's private ones.
TEST_F(ReplacedOutput, NewFileGetsTheUsualPermissions) {
    std::ofstream(folder_.path / "usual") << "x";
    ASSERT_EQ(m_.write_phase_text((folder_.path / "new.txt").string()), NO_ERROR);
    EXPECT_EQ(fs::status(folder_.path / "new.txt").permissions(),
              fs::status(folder_.path / "usual").permissions());
}

#endif

TEST_F(ReplacedOutput, DevicesAreWrittenInPlace) {
#if defined(_WIN32)
    const char* const null_device = "NUL";
#else
    const char* const null_device = "/dev/null";
#endif
    EXPECT_EQ(m_.write_ascii(null_device), NO_ERROR);
    EXPECT_EQ(m_.write_phase_text(null_device), NO_ERROR);
}

TEST_F(ReplacedOutput, CompleteOutputReplacesTheFile) {
    const fs::path file = folder_.path / "replaced.txt";
    std::ofstream(file, std::ios::binary) << std::string(100000, 'x');
    ASSERT_EQ(m_.write_phase_text(file.string()), NO_ERROR);
    EXPECT_EQ(read(file).rfind("1200\r\n", 0), 0u);
    EXPECT_EQ(entries(folder_.path), 1u);
}

}  // namespace
