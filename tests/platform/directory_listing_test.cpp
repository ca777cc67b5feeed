// Listing a directory, on the backend this build targets.
#include "platform/directory_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path_ref.h"
#include "support/temp_file.h"

namespace {

namespace fs = std::filesystem;

void write_empty(const fs::path& path) {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
}

// A fresh folder inside the scratch folder, removed with everything in it.
struct scratch_dir {
    temp_file holder;
    explicit scratch_dir(const std::string& name) : holder(name) {
        fs::create_directories(holder.path);
    }
    ~scratch_dir() {
        std::error_code ignored;
        fs::remove_all(holder.path, ignored);
    }
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    std::string str() const { return holder.str(); }
    void touch(const std::string& name) const { write_empty(holder.path / name); }
};

TEST(DirectoryListing, NamesInByteOrderWithoutDotEntries) {
    const scratch_dir dir("listing");
    for (const char* name : {"b.2", "B.1", "a", ".hidden", "d10s81c25.b12345", "_x", "z~"}) {
        dir.touch(name);
    }
    fs::create_directories(dir.holder.path / "sub");
    std::vector<std::string> names = {"stale"};
    ASSERT_TRUE(plat::list_directory(dir.str().c_str(), &names));
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "B.1", "_x", "a", "b.2",
                                                "d10s81c25.b12345", "sub", "z~"}));
}

TEST(DirectoryListing, EmptyMissingAndNotADirectory) {
    const scratch_dir dir("empty");
    std::vector<std::string> names = {"stale"};
    ASSERT_TRUE(plat::list_directory(dir.str().c_str(), &names));
    EXPECT_TRUE(names.empty());

    names = {"stale"};
    EXPECT_FALSE(plat::list_directory((dir.str() + "-missing").c_str(), &names));
    EXPECT_TRUE(names.empty());
    dir.touch("file");
    EXPECT_FALSE(plat::list_directory((dir.holder.path / "file").string().c_str(), &names));
    EXPECT_FALSE(plat::list_directory("", &names));
    EXPECT_FALSE(plat::list_directory(nullptr, &names));
    EXPECT_FALSE(plat::list_directory(dir.str().c_str(), nullptr));
}

TEST(DirectoryListing, ManyNames) {
    const scratch_dir dir("many");
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "r" + std::to_string(i * 7919 % 1000) + ".b" + std::to_string(i);
        dir.touch(name);
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> names;
    ASSERT_TRUE(plat::list_directory(dir.str().c_str(), &names));
    EXPECT_EQ(names, expected);
}

TEST(DirectoryListing, WidePathsGiveWideNames) {
    const scratch_dir dir("wide-listing");
    write_empty(dir.holder.path / u8"r\u00E9sum\u00E9.b1");
    write_empty(dir.holder.path / "plain");
    const std::string wide = plat::make_wide_path(dir.holder.path.u16string(), "\xFF\xFE");
    std::vector<std::string> names;
    ASSERT_TRUE(plat::list_directory(wide, &names));
    std::vector<std::string> expected = {plat::make_wide_path(u"plain", wide),
                                         plat::make_wide_path(u"r\u00E9sum\u00E9.b1", wide)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

}  // namespace
