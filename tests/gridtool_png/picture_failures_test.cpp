// The picture writers refuse bad matrices before creating anything, and a
// failure to create or write the output keeps an existing file as it was,
// with nothing left beside it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/gridtool/png_picture.h"
#include "picture_matrices.h"
#include "support/child_run.h"
#include "support/folder_entries.h"
#include "support/temp_file.h"

namespace fs = std::filesystem;

namespace {

const std::string EARLIER = "what the file held";

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class PictureFailures : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder_.path);
        std::ofstream(file_, std::ios::binary) << EARLIER;
    }
    void TearDown() override { fs::remove_all(folder_.path); }
    // The existing file as it was and nothing beside it.
    void expect_untouched() const {
        EXPECT_EQ(read(file_), EARLIER);
        EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"earlier.png"});
    }
    temp_file folder_{"pictures"};
    fs::path file_ = folder_.path / "earlier.png";
    std::string new_ = (folder_.path / "new.png").string();
    owned_phase phase_{40, 30, std::vector<int32_t>(1200, 5)};
    owned_intens intens_{4, 3, 2, std::vector<uint16_t>(24, 9)};
};

TEST_F(PictureFailures, BadMatricesWriteNothing) {
    std::string reason;
    phase_matrix p = phase_.m;
    p.window.width = 0;
    EXPECT_EQ(gt_write_phase_png(new_, p, &reason), ERR_IMPROPER_WINDOW);
    p = phase_.m;
    p.window.height = -3;
    EXPECT_EQ(gt_write_phase_png(new_, p, &reason), ERR_IMPROPER_WINDOW);
    p = phase_.m;
    p.size = 1199;
    EXPECT_EQ(gt_write_phase_png(new_, p, &reason), ERR_INVALID_PARAM);
    p = phase_.m;
    p.matrix = nullptr;
    EXPECT_EQ(gt_write_phase_png(new_, p, &reason), ERR_INVALID_PARAM);

    EXPECT_EQ(gt_write_frame_png(new_, intens_.m, 2, &reason), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(gt_write_frame_png(new_, intens_.m, -1, &reason), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(gt_write_frame_png(file_.string(), intens_.m, 2, &reason), ERR_PARAM_OUT_OF_RANGE);
    intens_matrix i = intens_.m;
    i.size = 23;
    EXPECT_EQ(gt_write_frame_png(new_, i, 1, &reason), ERR_INVALID_PARAM);
    i = intens_.m;
    i.n_buckets = 0;
    EXPECT_EQ(gt_write_frame_png(new_, i, 0, &reason), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(reason, "");
    expect_untouched();
}

TEST_F(PictureFailures, OutputThatCannotBeCreatedGivesTheSystemsReason) {
    std::string reason;
    const std::string missing = (folder_.path / "no such folder" / "p.png").string();
    EXPECT_EQ(gt_write_phase_png(missing, phase_.m, &reason), ERR_CANT_CREATE_FILE);
    EXPECT_EQ(reason, std::strerror(ENOENT));
    reason.clear();
    EXPECT_EQ(gt_write_frame_png(folder_.path.string(), intens_.m, 0, &reason), ERR_CANT_CREATE_FILE);
    EXPECT_NE(reason, "");
    expect_untouched();
}

#if !defined(_WIN32)

// A folder that takes no new file: the existing file there stays.
TEST_F(PictureFailures, UnwritableFolderKeepsTheFile) {
    const auto attempt = [this]() -> std::string {
        std::string reason;
        const int32_t result = gt_write_phase_png(file_.string(), phase_.m, &reason);
        if (result != ERR_CANT_CREATE_FILE) return "result " + std::to_string(result);
        return reason == std::strerror(EACCES) ? "" : "reason " + reason;
    };
    fs::permissions(folder_.path, fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    const std::string report =
        running_as_root() ? run_in_child([&]() -> std::string {
            return become_unprivileged() ? attempt() : "cannot become unprivileged";
        })
                          : attempt();
    fs::permissions(folder_.path, fs::perms::owner_all);
    EXPECT_EQ(report, "");
    expect_untouched();
}

// Writes stopped part way by a file size limit.
TEST_F(PictureFailures, WriteFailingPartWayKeepsTheFile) {
    for (const bool phase : {true, false}) {
        const std::string report = run_in_child([&]() -> std::string {
            if (!limit_file_size(50)) return "no file size limit";
            std::string reason;
            const int32_t result = phase ? gt_write_phase_png(file_.string(), phase_.m, &reason)
                                         : gt_write_frame_png(file_.string(), intens_.m, 1, &reason);
            if (result != ERR_CANT_WRITE_FILE) return "result " + std::to_string(result);
            return reason == std::strerror(EFBIG) ? "" : "reason " + reason;
        });
        EXPECT_EQ(report, "") << (phase ? "phase" : "frame");
        expect_untouched();
    }
}

#endif

// Every allocation refused in turn, libpng's included: each failure is
// ERR_NO_MEM and keeps the file; once enough memory is given, the picture is
// written.
int allowed_blocks = 0;
void* rationed_malloc(size_t size) {
    if (allowed_blocks == 0) return nullptr;
    --allowed_blocks;
    return std::malloc(size);
}

TEST_F(PictureFailures, RefusedMemoryKeepsTheFile) {
    void* (*const saved)(size_t) = gl_MallocFunc;
    int32_t result = ERR_NO_MEM;
    int blocks = 0;
    for (; blocks < 100 && result == ERR_NO_MEM; ++blocks) {
        allowed_blocks = blocks;
        gl_MallocFunc = rationed_malloc;
        result = gt_write_phase_png(file_.string(), phase_.m, nullptr);
        gl_MallocFunc = saved;
        if (result == ERR_NO_MEM) expect_untouched();
    }
    EXPECT_EQ(result, NO_ERROR) << "after " << blocks << " blocks";
    EXPECT_GT(blocks, 2);  // the row and libpng's own blocks were refused first
    EXPECT_TRUE(decode_png(file_.string(), false).ok);
}

// The stream form writes the same bytes as the file form.
TEST_F(PictureFailures, StreamGetsTheSamePicture) {
    ASSERT_EQ(gt_write_phase_png(new_, phase_.m, nullptr), NO_ERROR);
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(gt_write_phase_png_stream(stream, phase_.m, nullptr), NO_ERROR);
    std::rewind(stream);
    std::string streamed;
    for (int c; (c = std::fgetc(stream)) != EOF;) streamed.push_back(static_cast<char>(c));
    std::fclose(stream);
    EXPECT_EQ(streamed, read(new_));
}

}  // namespace
