// Resolving configuration file names: the current folder first, then the
// configuration directory; absolute names as they are.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "probe_runner.h"
#include "util/util.h"

namespace {

// Relative and absolute names resolved by a probe whose working folder is
// work/ and whose configuration directory is conf/.
TEST(FindFile, SearchesTheCurrentFolderThenTheConfigurationDirectory) {
    const scratch_folder scratch;
    const std::string probe = install_probe(scratch, "suite/bin/dirs_probe");
    const std::string work = scratch.make_dir("work");
    const std::string conf = scratch.make_dir("conf");
    scratch.make_file("work/both.ini");
    scratch.make_file("conf/both.ini");
    scratch.make_file("conf/only.ini");
    scratch.make_dir("work/folder.ini");  // a directory of that name does not count
    scratch.make_file("conf/folder.ini");
    scratch.make_file("conf/sub/nested.ini");

    // "./" (".\\" on Windows) marks a name that is not searched for.
    const std::string here = "." + kSep;
    const probe_run run =
        run_probe(probe,
                  {"find:both.ini", "find:only.ini", "find:folder.ini", "find:sub/nested.ini",
                   "find:absent.ini", "find:" + conf + "/only.ini", "find:" + conf + "/absent.ini",
                   "find:" + here + "only.ini", "find:" + conf},
                  {"MB_CONFIG_DIR=" + conf}, work);
    EXPECT_EQ(run.out, "find=NO_ERROR " + here + "both.ini\n" + "find=NO_ERROR " + conf + kSep +
                           "only.ini\n" + "find=NO_ERROR " + conf + kSep + "folder.ini\n" +
                           "find=NO_ERROR " + conf + kSep + "sub/nested.ini\n" +
                           "find=ERR_CANT_READ_FILE\n" + "find=NO_ERROR " + conf + "/only.ini\n" +
                           "find=ERR_CANT_READ_FILE\n" + "find=ERR_CANT_READ_FILE\n" +
                           "find=ERR_CANT_READ_FILE\n");
    EXPECT_EQ(run.err, "");
}

// Allocation hooks that count, and optionally refuse, what u_find_file asks for.
struct counted_alloc {
    static inline int mallocs = 0;
    static inline int frees = 0;
    static inline size_t last_size = 0;
    static inline bool refuse = false;
    static void* malloc_hook(size_t size) {
        ++mallocs;
        last_size = size;
        return refuse ? nullptr : std::malloc(size);
    }
    static void free_hook(void* block) {
        ++frees;
        std::free(block);
    }
};

class FindFileInProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_malloc_ = gl_MallocFunc;
        saved_free_ = gl_FreeFunc;
        counted_alloc::mallocs = counted_alloc::frees = 0;
        counted_alloc::refuse = false;
        gl_MallocFunc = counted_alloc::malloc_hook;
        gl_FreeFunc = counted_alloc::free_hook;
    }
    void TearDown() override {
        u_find_file(nullptr, nullptr);  // releases the last path through the counting hook
        gl_MallocFunc = saved_malloc_;
        gl_FreeFunc = saved_free_;
    }
    scratch_folder scratch_;
    void* (*saved_malloc_)(size_t) = nullptr;
    void (*saved_free_)(void*) = nullptr;
};

TEST_F(FindFileInProcess, NullOrEmptyNameSucceedsWithoutAnswer) {
    const char* path = "untouched";
    EXPECT_EQ(u_find_file(nullptr, &path), NO_ERROR);
    EXPECT_EQ(u_find_file("", &path), NO_ERROR);
    EXPECT_STREQ(path, "untouched");
    EXPECT_EQ(counted_alloc::mallocs, 0);
}

TEST_F(FindFileInProcess, AbsoluteNameIsCopiedAndReleasedByTheNextCall) {
    const std::string file = scratch_.make_file("cal.1");
    const char* path = nullptr;
    ASSERT_EQ(u_find_file(file.c_str(), &path), NO_ERROR);
    EXPECT_EQ(path, file);
    EXPECT_NE(path, file.c_str());
    EXPECT_EQ(counted_alloc::last_size, file.size() + 1);

    const char* second = "untouched";
    EXPECT_EQ(u_find_file((file + ".absent").c_str(), &second), ERR_CANT_READ_FILE);
    EXPECT_STREQ(second, "untouched");
    // Both blocks went back through the release hook that matches the allocation hook.
    EXPECT_EQ(counted_alloc::mallocs, 2);
    EXPECT_EQ(counted_alloc::frees, 2);
}

TEST_F(FindFileInProcess, NoMemoryForACandidate) {
    counted_alloc::refuse = true;
    const char* path = "untouched";
    EXPECT_EQ(u_find_file("settings.ini", &path), ERR_NO_MEM);
    EXPECT_EQ(counted_alloc::last_size, std::string("./settings.ini").size() + 1);
    EXPECT_EQ(u_find_file("/abs/settings.ini", &path), ERR_NO_MEM);
    EXPECT_STREQ(path, "untouched");
}

}  // namespace
