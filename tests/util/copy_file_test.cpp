// File copy over an existing destination.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "util/util.h"

namespace fs = std::filesystem;

namespace {

std::string printed;
void capture(const char* format, ...) U_PRINTF_FORMAT(1, 2);
void capture(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    printed += text;
}

class CopyFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("util_copy_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        saved_ = gl_PrintFunc;
        gl_PrintFunc = capture;
        printed.clear();
    }
    void TearDown() override {
        gl_PrintFunc = saved_;
        fs::remove_all(dir_);
    }
    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    fs::path dir_;
    u_print_func saved_ = nullptr;
};

TEST_F(CopyFile, CopiesAndOverwrites) {
    std::string big(200'000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    write(dir_ / "src", big);
    write(dir_ / "dst", "old contents that are longer than nothing");
    EXPECT_EQ(u_copy_file((dir_ / "src").string().c_str(), (dir_ / "dst").string().c_str()),
              NO_ERROR);
    EXPECT_EQ(read(dir_ / "dst"), big);
    EXPECT_EQ(u_copy_file((dir_ / "src").string().c_str(), (dir_ / "new").string().c_str()),
              NO_ERROR);
    EXPECT_EQ(read(dir_ / "new"), big);
    EXPECT_EQ(entries(), 3u);  // no temporary file is left behind
    EXPECT_TRUE(printed.empty());
}

TEST_F(CopyFile, MissingSourceLeavesTheDestinationAlone) {
    write(dir_ / "dst", "keep");
    EXPECT_EQ(u_copy_file((dir_ / "absent").string().c_str(), (dir_ / "dst").string().c_str()),
              ERR_CANT_WRITE_FILE);
    EXPECT_EQ(read(dir_ / "dst"), "keep");
    EXPECT_EQ(printed, "u_copy_file failed: win_err = 2\n");  // ENOENT
    EXPECT_EQ(entries(), 1u);
}

TEST_F(CopyFile, UnwritableDestinationFails) {
    write(dir_ / "src", "x");
    const fs::path into_missing_dir = dir_ / "no" / "such" / "dst";
    EXPECT_EQ(u_copy_file((dir_ / "src").string().c_str(), into_missing_dir.string().c_str()),
              ERR_CANT_WRITE_FILE);
    EXPECT_EQ(printed.rfind("u_copy_file failed: win_err = ", 0), 0u);
    // A directory is not a source.
    EXPECT_EQ(u_copy_file(dir_.string().c_str(), (dir_ / "dst").string().c_str()),
              ERR_CANT_WRITE_FILE);
    EXPECT_EQ(entries(), 1u);
}

// A wide path: the byte-order mark, the UTF-16 text and its terminator.
std::string wide_path(const fs::path& path) {
    std::u16string text = path.u16string();
    text.insert(text.begin(), u'\xFEFF');
    text.push_back(0);
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST_F(CopyFile, WidePathsOnEitherSide) {
    const fs::path source = dir_ / u"s\u00F6urce";
    const fs::path destination = dir_ / u"d\u00E9st-\U0001F4C4";
    write(source, "wide bytes");
    write(destination, "old");
    EXPECT_EQ(u_copy_file(wide_path(source), wide_path(destination)), NO_ERROR);
    EXPECT_EQ(read(destination), "wide bytes");
    EXPECT_EQ(entries(), 2u);
    EXPECT_TRUE(printed.empty());
}

// A wide path handed over as a bare pointer cannot be read to its end: the
// copy fails, and nothing is written under a name made of its first bytes.
TEST_F(CopyFile, UnreadableWidePathFails) {
    write(dir_ / "src", "x");
    const std::string destination = wide_path(dir_ / "dst");
    const fs::path saved = fs::current_path();
    fs::current_path(dir_);
    const int32_t result = u_copy_file((dir_ / "src").string().c_str(), destination.c_str());
    fs::current_path(saved);
    EXPECT_EQ(result, ERR_CANT_WRITE_FILE);
    EXPECT_EQ(printed.rfind("u_copy_file failed: win_err = ", 0), 0u);
    EXPECT_EQ(entries(), 1u);
}

#if !defined(_WIN32)
// A destination that is a link keeps its link; the file it leads to takes the
// copy and keeps its permissions.
TEST_F(CopyFile, LinkedDestinationKeepsItsLinkAndPermissions) {
    write(dir_ / "src", "copied");
    fs::permissions(dir_ / "src", fs::perms::owner_all);
    write(dir_ / "target", "old");
    fs::permissions(dir_ / "target", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target", dir_ / "link");
    EXPECT_EQ(u_copy_file((dir_ / "src").string().c_str(), (dir_ / "link").string().c_str()),
              NO_ERROR);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
    EXPECT_EQ(read(dir_ / "target"), "copied");
    EXPECT_EQ(fs::status(dir_ / "target").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(), 3u);
}
#endif

}  // namespace
