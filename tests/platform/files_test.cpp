// The files service on the backend this build targets: the wide-path rule,
// regular-file tests, the bytes left in a stream, and local time.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_file.h"

namespace {

#ifdef _WIN32
const char* const kNullDevice = "NUL";
#else
const char* const kNullDevice = "/dev/null";
#endif

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

// A wide path: the byte-order mark, the UTF-16 text and its terminator, as bytes.
std::string wide_path(std::u16string text) {
    text.insert(text.begin(), u'\xFEFF');
    text.push_back(0);
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(Files, RegularFileTest) {
    const temp_file file("regular.dat");
    file.write({1, 2, 3});
    EXPECT_TRUE(plat::is_regular_file(file.str().c_str()));
    EXPECT_FALSE(plat::is_regular_file(file.path.parent_path().string().c_str()));
    EXPECT_FALSE(plat::is_regular_file((file.str() + ".missing").c_str()));
    EXPECT_FALSE(plat::is_regular_file(kNullDevice));
    EXPECT_FALSE(plat::is_regular_file(""));
    EXPECT_FALSE(plat::is_regular_file(nullptr));
}

TEST(Files, WidePathsOpenAndTest) {
    // A name with a Greek letter and a character outside the 16-bit plane,
    // which UTF-16 writes as a surrogate pair.
    temp_file file("wide");
    file.path.replace_filename(u"wide-\u03A9-\U0001F4C4.dat");
    const std::string wide = wide_path(file.path.u16string());
    {
        const file_ptr out(plat::open_file(wide, "wb"));
        ASSERT_NE(out, nullptr);
        ASSERT_GE(std::fputs("wide", out.get()), 0);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(file.path));
    EXPECT_EQ(file.read(), "wide");
    EXPECT_TRUE(plat::is_regular_file(wide));
    EXPECT_FALSE(plat::is_regular_file(wide_path(file.path.parent_path().u16string())));

    // The other mark: the text is still in the host's order.
    std::string other_mark = wide;
    std::swap(other_mark[0], other_mark[1]);
    EXPECT_TRUE(plat::is_regular_file(other_mark));

    // Bytes after the two-byte zero are not part of the path.
    EXPECT_TRUE(plat::is_regular_file(wide + "trailing"));

    // A bare character pointer vouches only for the bytes before its first
    // zero byte, within which no wide path ends.
    EXPECT_FALSE(plat::is_regular_file(wide.c_str()));
    EXPECT_EQ(plat::open_file(wide.c_str(), "rb"), nullptr);
}

// Paths that are refused run in a scratch working folder, which must stay
// empty: nothing is created under a name made of stray bytes.
class RefusedWidePaths : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        std::filesystem::create_directories(folder_.path);
        std::filesystem::current_path(folder_.path);
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        EXPECT_TRUE(std::filesystem::is_empty(folder_.path));
        std::filesystem::remove_all(folder_.path);
    }
    // Neither test nor open (for writing, which would create) reaches a file.
    static void expect_refused(plat::path_ref path, const std::string& what) {
        EXPECT_FALSE(plat::is_regular_file(path)) << what;
        const file_ptr out(plat::open_file(path, "wb"));
        EXPECT_EQ(out, nullptr) << what;
    }
    temp_file folder_{"refused"};
    std::filesystem::path saved_;
};

TEST_F(RefusedWidePaths, TextWithoutTwoByteZeroOfEveryLength) {
    for (size_t length = 0; length <= 9; ++length) {
        // Each pair of 'a' bytes is a valid character: only the end is missing.
        const std::string bytes = "\xFF\xFE" + std::string(length, 'a');
        expect_refused(bytes, "string of " + std::to_string(length));
        // The same bytes in a heap block of their exact size, terminator
        // included, handed over as a bare pointer: nothing past it is read.
        const std::unique_ptr<char[]> heap(new char[bytes.size() + 1]);
        std::memcpy(heap.get(), bytes.c_str(), bytes.size() + 1);
        expect_refused(heap.get(), "pointer to " + std::to_string(length));
    }
    expect_refused(std::string("\xFF\xFE"), "mark alone");
    expect_refused(std::string("\xFE\xFF", 2), "other mark alone");
}

TEST_F(RefusedWidePaths, OddLengthOrMisplacedZeros) {
    // "a", then one zero byte: the text has an odd length.
    expect_refused(std::string("\xFF\xFE" "a\0\0", 5), "odd length");
    // Two zero bytes that straddle two units end nothing.
    expect_refused(std::string("\xFF\xFE" "a\0\0b\0", 7), "straddling zeros");
}

TEST_F(RefusedWidePaths, UnpairedSurrogates) {
    const std::u16string name = u"name";
    for (const std::u16string& bad :
         {name + u'\xD800', u'\xDC00' + name, name + u'\xD800' + u'\xD800' + u'\xDC00',
          name + u'\xDBFF' + u'x', u'\xDFFF' + std::u16string()}) {
        expect_refused(wide_path(bad), "surrogate");
    }
}

TEST(Files, BytesRemainingFollowsThePosition) {
    const temp_file file("remaining.dat");
    file.write(std::vector<uint8_t>(1000, 7));
    const file_ptr in(plat::open_file(file.str().c_str(), "rb"));
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(plat::bytes_remaining(in.get()), 1000);
    char scrap[300];
    ASSERT_EQ(std::fread(scrap, 1, sizeof scrap, in.get()), sizeof scrap);
    EXPECT_EQ(plat::bytes_remaining(in.get()), 700);
    ASSERT_EQ(std::fseek(in.get(), 5000, SEEK_SET), 0);
    EXPECT_EQ(plat::bytes_remaining(in.get()), 0);  // past the end is nothing left
}

TEST(Files, BytesRemainingBeyondFourGigabytes) {
    const temp_file file("large.dat");
    file.write({});
    const uintmax_t size = (uintmax_t{5} << 30) + 3;
    std::error_code error;
    std::filesystem::resize_file(file.path, size, error);  // sparse where the system can
    if (error) GTEST_SKIP() << "cannot make a 5 GiB file here: " << error.message();
    const file_ptr in(plat::open_file(file.str().c_str(), "rb"));
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(plat::bytes_remaining(in.get()), static_cast<int64_t>(size));
    char scrap[10];
    ASSERT_EQ(std::fread(scrap, 1, sizeof scrap, in.get()), sizeof scrap);
    EXPECT_EQ(plat::bytes_remaining(in.get()), static_cast<int64_t>(size) - 10);
}

TEST(Files, NullDeviceHasNoKnownLength) {
    const file_ptr in(plat::open_file(kNullDevice, "rb"));
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(plat::bytes_remaining(in.get()), -1);
}

// Days from 1970-01-01 to a calendar date (proleptic Gregorian).
int64_t days_from_civil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

TEST(Files, LocalTimeIsUtcShiftedByAZoneOffset) {
    // One day after the epoch, past the 32-bit limit of 2038, and in 2100.
    for (const int64_t utc : {int64_t{86400}, int64_t{2147483648} + 86400, int64_t{4102444800}}) {
        std::tm local{};
        ASSERT_TRUE(plat::local_time(utc, &local)) << utc;
        const int64_t local_seconds =
            days_from_civil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
            local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
        const int64_t offset = local_seconds - utc;
        EXPECT_LE(offset < 0 ? -offset : offset, 14 * 3600) << utc;
        EXPECT_EQ(offset % 900, 0) << utc;  // zones differ from UTC in quarter hours
    }
}

}  // namespace
