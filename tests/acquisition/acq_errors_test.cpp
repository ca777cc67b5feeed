// The library's error numbers as reported and translated, and the camera
// type names.
#include <set>
#include <string>

#include "acq_fixture.h"
#include "errors/errors.h"

namespace acq_test {
namespace {

using AcqErrors = AcqTest;

struct expected_error {
    int32_t number;
    const char* text;
    int32_t code;
};

constexpr expected_error kTable[] = {
    {1, "Device Open\n", ERR_ACQ_DEVICE_OPEN},
    {2, "Control File\n", ERR_ACQ_CMD},
    {3, "Host Resource\n", ERR_ACQ_CMD},
    {4, "Input Device Open\n", ERR_ACQ_DEVICE_OPEN},
    {5, "Device Busy\n", ERR_ACQ_DEVICE_BUSY},
    {6, "Device Closed\n", ERR_ACQ_DEVICE_CLOSE},
    {7, "Device Not Ready\n", ERR_ACQ_CMD},
    {8, "Device Buffer\n", ERR_ACQ_CMD},
    {9, "Out Of Memory\n", ERR_ACQ_CMD},
    {10, "Invalid Device Mode Specified\n", ERR_ACQ_INVALID_MODE},
    {11, "Invalid Device Specified\n", ERR_ACQ_CMD},
    {12, "Invalid Parameter\n", ERR_ACQ_CMD},
    {13, "Missing Parameter\n", ERR_ACQ_CMD},
    {14, "System\n", ERR_ACQ_CMD},
    {15, "System Resource\n", ERR_ACQ_CMD},
    {16, "Timed Out Waiting for Frames\n", ERR_ACQ_TIMEOUT},
    {17, "Frame Buffer Overflow\n", ERR_LOST_FRAME},
    {18, "Data Corrupt\n", ERR_FRAME_DATA_CORRUPT},
    {19, "Unknown\n", ERR_ACQ_CMD},
    {20, "Device\n", ERR_ACQ_CMD},
    {21, "Missed Frame\n", ERR_LOST_FRAME},
    {22, "Device Initialize\n", ERR_ACQ_CMD},
    {23, "Configuration File Invalid\n", ERR_ACQ_CFGFILE_INVALID},
    {24, "Cannot Find File\n", ERR_CANT_OPEN_FILE},
    {25, "Field Drop\n", ERR_LOST_FRAME},
    {26, "Attempt to use unsupported functionality\n", ERR_ACQ_CMD},
    {27, "Unknown\n", ERR_UNKNOWN},
    {-1, "Unknown\n", ERR_UNKNOWN},
    {INT32_MAX, "Unknown\n", ERR_UNKNOWN},
};

TEST_F(AcqErrors, TranslatesAndReportsEveryLibraryError) {
    ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
    {
        print_capture capture;
        EXPECT_EQ(acq_last_error(), NO_ERROR);
        EXPECT_EQ(capture.printed(), "");
    }
    for (const expected_error& error : kTable) {
        SCOPED_TRACE(error.number);
        state_->lastError = error.number;
        print_capture capture;
        EXPECT_EQ(acq_last_error(), error.code);
        const std::string& printed = capture.printed();
        const size_t lead = printed.find("Acq Error: ");
        ASSERT_NE(lead, std::string::npos);
        EXPECT_EQ(printed.substr(printed.size() - std::string(error.text).size()), error.text);
        EXPECT_EQ(printed.substr(lead + 11), error.text);
    }
}

TEST(CameraTypes, ThirtyThreeNamesAndTypeZeroForTheRest) {
    std::set<std::string> names;
    for (int32_t type = 0; type < ACQ_CAMERA_TYPE_COUNT; ++type) {
        ASSERT_NE(acq_camera_type_name(type), nullptr);
        names.insert(acq_camera_type_name(type));
    }
    EXPECT_EQ(names.size(), 33u);
    for (int32_t type : {-1, 33, INT32_MIN, INT32_MAX}) {
        EXPECT_STREQ(acq_camera_type_name(type), acq_camera_type_name(0)) << type;
    }
}

}  // namespace
}  // namespace acq_test
