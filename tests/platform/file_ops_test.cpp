// Whole-file operations on wide paths, and the replacement of a file through
// a temporary file beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/child_run.h"
#include "support/folder_entries.h"
#include "support/temp_file.h"

namespace fs = std::filesystem;

namespace {

std::string wide_path(const fs::path& path) {
    std::u16string text = path.u16string();
    text.insert(text.begin(), u'\xFEFF');
    text.push_back(0);
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class FileOps : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(folder_.path); }
    void TearDown() override { fs::remove_all(folder_.path); }
    fs::path at(const std::u16string& name) const { return folder_.path / name; }
    temp_file folder_{"ops"};
};

TEST_F(FileOps, EveryOperationTakesWidePaths) {
    const fs::path dir = at(u"d\u00EEr-\u03A9");
    ASSERT_TRUE(plat::make_directory(wide_path(dir)));
    EXPECT_TRUE(plat::is_directory(wide_path(dir)));

    // A temporary file in a wide folder has a wide name, as the folder has.
    std::string temporary;
    ASSERT_TRUE(plat::make_temp_file(wide_path(dir), "_t", &temporary));
    ASSERT_TRUE(plat::is_regular_file(temporary));
    EXPECT_EQ(temporary.compare(0, 2, "\xFF\xFE"), 0);  // the folder's mark on this host
    EXPECT_EQ(fs::path(dir).u16string(),
              fs::path(std::u16string(reinterpret_cast<const char16_t*>(temporary.data() + 2),
                                      temporary.size() / 2 - 2))
                  .parent_path()
                  .u16string());

    const fs::path source = dir / u"source-\U0001F4C4";
    write(source, "copied bytes");
    const fs::path copy = dir / u"copy-\u00E9";
    EXPECT_EQ(plat::copy_file(wide_path(source), wide_path(copy)), 0);
    EXPECT_EQ(read(copy), "copied bytes");

    const fs::path renamed = dir / u"renamed-\u00E9";
    EXPECT_TRUE(plat::rename_file(wide_path(copy), wide_path(renamed)));
    EXPECT_EQ(read(renamed), "copied bytes");
    EXPECT_TRUE(plat::delete_file(wide_path(renamed)));
    EXPECT_TRUE(plat::delete_file(temporary));
    EXPECT_EQ(folder_entries(dir), std::vector<std::string>{fs::path(source).filename().string()});
}

TEST_F(FileOps, RefusedWidePathsFailEveryOperation) {
    const fs::path existing = at(u"existing");
    write(existing, "kept");
    // A character pointer to a wide path: only the bytes before its first
    // zero byte may be read, so no operation can reach the name.
    const std::string wide = wide_path(existing);
    const char* const unterminated = wide.c_str();
    const std::string odd = wide.substr(0, wide.size() - 1);
    for (const plat::path_ref bad : {plat::path_ref(unterminated), plat::path_ref(odd)}) {
        EXPECT_FALSE(plat::is_directory(bad));
        EXPECT_FALSE(plat::make_directory(bad));
        std::string temporary;
        EXPECT_FALSE(plat::make_temp_file(bad, "_t", &temporary));
        EXPECT_NE(plat::copy_file(existing.string(), bad), 0);
        EXPECT_NE(plat::copy_file(bad, existing.string() + ".copy"), 0);
        EXPECT_FALSE(plat::rename_file(bad, existing.string() + ".renamed"));
        EXPECT_FALSE(plat::rename_file(existing.string(), bad));
        EXPECT_FALSE(plat::delete_file(bad));
        plat::file_replacement replacement;
        EXPECT_NE(replacement.create(bad, "_r"), 0);
    }
    EXPECT_EQ(read(existing), "kept");
    EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"existing"});
}

TEST_F(FileOps, ReplacementTakesTheNameOnlyWhenCommitted) {
    const fs::path target = at(u"target");
    // A named temporary file is seen beside the target; an unnamed one
    // (where the system makes them) is not seen at all.
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "named" : "as the system makes it");
        plat::file_replacement::use_named_temporaries(named);
        write(target, "old");
        {
            plat::file_replacement replacement;
            ASSERT_EQ(replacement.create(target.string(), "_r"), 0);
            EXPECT_TRUE(replacement.replaces_existing());
            FILE* stream = replacement.open_stream();
            ASSERT_NE(stream, nullptr);
            std::fputs("abandoned", stream);
            if (named) {
                EXPECT_EQ(folder_entries(folder_.path).size(), 2u);
            }
        }  // not committed: abandoned
        EXPECT_EQ(read(target), "old");
        EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"target"});

        plat::file_replacement replacement;
        ASSERT_EQ(replacement.create(target.string(), "_r"), 0);
        FILE* stream = replacement.open_stream();
        ASSERT_NE(stream, nullptr);
        std::fputs("new", stream);
        EXPECT_EQ(read(target), "old");
        EXPECT_EQ(replacement.commit(), 0);
        EXPECT_EQ(read(target), "new");
        EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"target"});
    }
    plat::file_replacement::use_named_temporaries(false);
}

TEST_F(FileOps, OnlyRegularFilesOrNewNamesAreReplaced) {
    plat::file_replacement replacement;
    EXPECT_NE(replacement.create(folder_.path.string(), "_r"), 0);  // a folder
#if defined(_WIN32)
    EXPECT_NE(replacement.create("NUL", "_r"), 0);
#else
    EXPECT_NE(replacement.create("/dev/null", "_r"), 0);
#endif
    EXPECT_NE(replacement.create((folder_.path / "missing" / "new").string(), "_r"), 0);
    ASSERT_EQ(replacement.create((folder_.path / "new").string(), "_r"), 0);
    EXPECT_FALSE(replacement.replaces_existing());
    EXPECT_EQ(replacement.commit(), 0);
    EXPECT_EQ(read(folder_.path / "new"), "");
}

#if !defined(_WIN32)

// A link keeps its link: the file it leads to (through a chain of links,
// relative ones included) takes the new content and keeps its permissions.
TEST_F(FileOps, ReplacementFollowsLinksAndKeepsPermissions) {
    fs::create_directories(folder_.path / "real");
    const fs::path file = folder_.path / "real" / "file";
    write(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/file", folder_.path / "first");
    fs::create_symlink(folder_.path / "first", folder_.path / "second");

    plat::file_replacement replacement;
    ASSERT_EQ(replacement.create((folder_.path / "second").string(), "_r"), 0);
    EXPECT_EQ(fs::path(replacement.temporary()).parent_path(), folder_.path / "real");
    std::fputs("new", replacement.open_stream());
    ASSERT_EQ(replacement.commit(), 0);

    EXPECT_TRUE(fs::is_symlink(folder_.path / "first"));
    EXPECT_TRUE(fs::is_symlink(folder_.path / "second"));
    EXPECT_EQ(read(file), "new");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folder_entries(folder_.path / "real"), std::vector<std::string>{"file"});

    // A dangling link leads to a new file, created where it points.
    fs::create_symlink("real/later", folder_.path / "dangling");
    ASSERT_EQ(replacement.create((folder_.path / "dangling").string(), "_r"), 0);
    EXPECT_FALSE(replacement.replaces_existing());
    ASSERT_EQ(replacement.commit(), 0);
    EXPECT_TRUE(fs::is_regular_file(folder_.path / "real" / "later"));
    EXPECT_TRUE(fs::is_symlink(folder_.path / "dangling"));

    // Links that lead round in a circle lead nowhere.
    fs::create_symlink("loop_b", folder_.path / "loop_a");
    fs::create_symlink("loop_a", folder_.path / "loop_b");
    EXPECT_EQ(replacement.create((folder_.path / "loop_a").string(), "_r"), ELOOP);
}

// A new file gets the permissions any new file gets (the umask's), not those
// of a private temporary file.
TEST_F(FileOps, NewFileGetsTheUsualPermissions) {
    std::ofstream(folder_.path / "usual") << "x";
    plat::file_replacement replacement;
    ASSERT_EQ(replacement.create((folder_.path / "made").string(), "_r"), 0);
    ASSERT_EQ(replacement.commit(), 0);
    EXPECT_EQ(fs::status(folder_.path / "made").permissions(),
              fs::status(folder_.path / "usual").permissions());
}

// Root replaces another user's file and hands it back to that user; other
// users may not replace a file they may not write.
TEST_F(FileOps, OwnerIsKeptAndWriteProtectedFilesAreNotReplaced) {
    const fs::path file = folder_.path / "theirs";
    write(file, "old");
    fs::permissions(folder_.path, fs::perms::all);
    if (!running_as_root()) {
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
        plat::file_replacement replacement;
        EXPECT_EQ(replacement.create(file.string(), "_r"), EACCES);
        EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"theirs"});
        return;
    }
    const passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
    ASSERT_EQ(::chown(file.c_str(), uid, static_cast<gid_t>(-1)), 0);
    plat::file_replacement replacement;
    ASSERT_EQ(replacement.create(file.string(), "_r"), 0);
    std::fputs("new", replacement.open_stream());
    ASSERT_EQ(replacement.commit(), 0);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(read(file), "new");

    // The same file, write-protected, as that user.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(run_in_child([&]() -> std::string {
                  if (!become_unprivileged()) return "cannot become unprivileged";
                  plat::file_replacement theirs;
                  const int error = theirs.create(file.string(), "_r");
                  return error == EACCES ? "" : "create gave " + std::to_string(error);
              }),
              "");
    EXPECT_EQ(read(file), "new");
    EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"theirs"});
}

#endif

}  // namespace
