// Discovery of devices, cameras and modes against systems the simulated
// library is set up to report, including counts that disagree with the names
// and values no division or conversion may trip over.
#include <cmath>
#include <limits>
#include <string>

#include "acq_fixture.h"
#include "errors/errors.h"

namespace acq_test {
namespace {

class AcqDiscovery : public AcqTest {
  protected:
    void SetUp() override {
        AcqTest::SetUp();
        std::memset(state_->devices, 0, sizeof state_->devices);
        state_->numDevices = 0;
        state_->deviceCount = 0;
    }
    sys_info& info() { return gl_SysInfo[0]; }

    // Opens the library and runs the discovery steps as far as they go.
    int32_t discover() {
        std::memset(&info().acq, 0, sizeof info().acq);
        int32_t result = acq_mgropen(ACQ_INI_FILE);
        if (result == NO_ERROR) result = acq_getdevices(&info());
        if (result == NO_ERROR) result = acq_getinputdev(&info());
        if (result == NO_ERROR) result = acq_getinputmodes(&info());
        return result;
    }
};

TEST_F(AcqDiscovery, UsesOnlyTheFirstThreeOfFourDevices) {
    for (int i = 0; i < 4; ++i) {
        sim_acq_device* device = add_device(state_, ("grabber" + std::to_string(i)).c_str(), 10 + i);
        add_mode(add_input(device, "cam", 100 + i), "mode", 200 + i, {{"DATA RATE", 30}});
    }
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq().numDevices, 3);
    EXPECT_EQ(acq().deviceIds[0], 10);
    EXPECT_EQ(acq().deviceIds[2], 12);
    EXPECT_EQ(acq().primaryDeviceId, 10);
    EXPECT_EQ(acq().numCameras, 3);
}

TEST_F(AcqDiscovery, DeviceFailures) {
    ASSERT_EQ(discover(), ERR_ACQ_INIT_DEV);  // no devices at all
    add_device(state_, "grabber", 10);
    state_->deviceCount = 2;  // more than the names list
    print_capture capture;
    ASSERT_EQ(acq_mgropen(ACQ_INI_FILE), NO_ERROR);
    EXPECT_EQ(acq_getdevices(&info()), ERR_ACQ_INIT_DEV);
    EXPECT_NE(capture.printed().find("acq_getdevices: specified device does not exist\n"),
              std::string::npos);
    state_->deviceCount = 1;
    state_->devices[0].id = 0;
    EXPECT_EQ(acq_getdevices(&info()), ERR_ACQ_INIT_DEV);
    EXPECT_NE(capture.printed().find("acq_getdevices: cannot retrieve specified device ID\n"),
              std::string::npos);
}

TEST_F(AcqDiscovery, WalksTheCameraTableColumnByColumn) {
    // Device 1 has a camera in position 2 only, device 2 in position 1.
    sim_acq_device* first = add_device(state_, "first", 10);
    add_input(first, "", 0);  // position 1 lists no name
    sim_acq_input* second_input = add_input(first, "first-b", 12);
    add_mode(second_input, "secondary mode", 502, {});
    sim_acq_device* second = add_device(state_, "second", 20);
    sim_acq_input* primary = add_input(second, "second-a", 21);
    add_mode(primary, "primary mode", 501, {{"DATA RATE", 30}});
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq().inputIds[0][0], 0);
    EXPECT_EQ(acq().inputIds[0][1], 12);
    EXPECT_EQ(acq().inputIds[1][0], 21);
    EXPECT_EQ(acq().numCameras, 2);
    EXPECT_EQ(acq().primaryCameraId, 21);
    EXPECT_EQ(acq().secondaryCameraId, 12);
    EXPECT_EQ(acq().numModes, 1);
    EXPECT_EQ(acq().modes[0].modeId, 501);
    EXPECT_EQ(acq().numSecondaryModes, 1);
    EXPECT_EQ(acq().secondaryModeId, 502);
}

TEST_F(AcqDiscovery, InputDeviceFailures) {
    sim_acq_device* device = add_device(state_, "grabber", 10);
    print_capture capture;
    EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
    EXPECT_NE(capture.printed().find("acq_getinputdev: no valid input devices\n"),
              std::string::npos);
    add_input(device, "camera", 0);
    EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
    EXPECT_NE(capture.printed().find("acq_getinputdev: cannot set selected input device\n"),
              std::string::npos);
}

TEST_F(AcqDiscovery, ModeCountsAreBounded) {
    sim_acq_input* camera = add_input(add_device(state_, "grabber", 10), "camera", 11);
    for (int i = 0; i < 8; ++i) {
        add_mode(camera, ("mode" + std::to_string(i)).c_str(), 100 + i, {{"DATA RATE", 30}});
    }
    {
        print_capture capture;
        EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
        EXPECT_NE(capture.printed().find(
                      "acq_getinputmodes: Number of input modes exceeds maximum\n"),
                  std::string::npos);
    }
    // Seven are accepted, even when the name walk would go on to an eighth.
    camera->modeCount = 7;
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq().numModes, 7);
    EXPECT_EQ(acq().maxModeIndex, 6);
    EXPECT_EQ(acq().modes[6].modeId, 106);
    // Fewer names than the count: the missing names are skipped.
    camera->numModes = 2;
    camera->modeCount = 4;
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq().numModes, 2);
    camera->modeCount = 0;
    print_capture capture;
    EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
    EXPECT_NE(capture.printed().find("acq_getinputmodes: No valid input modes\n"),
              std::string::npos);
}

TEST_F(AcqDiscovery, ModeValues) {
    standard_system(state_);
    sim_acq_input* camera = &state_->devices[0].inputs[0];
    add_mode(camera, "zero rate", 302,
             {{"DATA RATE", 0}, {"X DATA SCALE", 0}, {"Y DATA SCALE", -3},
              {"MAX USER WIDTH", 1e9}, {"MAX USER HEIGHT", -5}, {"DATA RESOLUTION", 0}});
    add_mode(camera, "odd values", 303,
             {{"DATA RATE", 1e-300}, {"DATA RESOLUTION", 1e300},
              {"MAX USER WIDTH", std::numeric_limits<double>::quiet_NaN()}});
    ASSERT_EQ(discover(), NO_ERROR);
    ASSERT_EQ(acq().numModes, 4);
    const sys_acq_mode& full = acq().modes[0];
    EXPECT_EQ(full.modeId, 300);
    EXPECT_EQ(full.dataRate, 30.0);
    EXPECT_EQ(full.userWidth, 320);  // 640 at an x scale of 2
    EXPECT_EQ(full.userHeight, 480);
    EXPECT_EQ(full.dataResolution, 12);
    EXPECT_EQ(full.bytesPerPixel, 2);
    EXPECT_EQ(full.integrationPeriod, 33);
    const sys_acq_mode& fast = acq().modes[1];
    EXPECT_EQ(fast.dataResolution, 8);  // not reported
    EXPECT_EQ(fast.bytesPerPixel, 1);
    EXPECT_EQ(fast.integrationPeriod, 5);
    EXPECT_EQ(fast.userWidth, 0);
    const sys_acq_mode& zero = acq().modes[2];
    EXPECT_EQ(zero.integrationPeriod, 0);
    EXPECT_EQ(zero.userWidth, 65535);
    EXPECT_EQ(zero.userHeight, 0);
    EXPECT_EQ(zero.dataResolution, 8);
    const sys_acq_mode& odd = acq().modes[3];
    EXPECT_EQ(odd.integrationPeriod, INT32_MAX);
    EXPECT_EQ(odd.dataResolution, INT32_MAX);
    EXPECT_EQ(odd.bytesPerPixel, 268435456);
    EXPECT_EQ(odd.userWidth, 0);
    EXPECT_EQ(acq().numGrabBuffers, 4);
}

TEST_F(AcqDiscovery, AFailedRateQueryStoresZeroAndGoesOn) {
    standard_system(state_);
    set_name(state_->failures[0].entry, "AcqInputModeQuery");
    state_->failures[0].nth = 1;  // the first mode's "DATA RATE"
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq().modes[0].dataRate, 0.0);
    EXPECT_EQ(acq().modes[0].integrationPeriod, 0);
    EXPECT_EQ(acq().modes[0].userWidth, 320);
    EXPECT_EQ(acq().modes[1].dataRate, 60.0);
}

TEST_F(AcqDiscovery, ModeSelectionFailures) {
    standard_system(state_);
    print_capture capture;
    set_name(state_->failures[0].entry, "SetCurrentInputMode");
    state_->failures[0].nth = 2;
    EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
    EXPECT_NE(capture.printed().find("acq_getinputmodes: Cannot set selected input mode\n"),
              std::string::npos);
    state_->devices[0].inputs[0].modes[1].id = 0;
    EXPECT_EQ(discover(), ERR_ACQ_INVALID_DEVICE);
    EXPECT_NE(capture.printed().find("acq_getinputmodes: Cannot obtain mode ID\n"),
              std::string::npos);
}

}  // namespace
}  // namespace acq_test

namespace acq_test {
namespace {

// Before the library is opened and after it is closed the steps have no
// library to ask; a null record is refused whatever the state.
TEST_F(AcqDiscovery, StepsWithoutTheLibraryOrARecordAreRefused) {
    standard_system(state_);
    const auto refusals = [&](int32_t expected) {
        EXPECT_EQ(acq_getdevices(&info()), expected);
        EXPECT_EQ(acq_getinputdev(&info()), expected);
        EXPECT_EQ(acq_getinputmodes(&info()), expected);
    };
    // The fields a former discovery left behind would lead the later steps on.
    info().acq.numDevices = 1;
    info().acq.numCameras = 1;
    refusals(ERR_ACQ_INIT_DEV);
    EXPECT_EQ(acq_last_error(), NO_ERROR);
    ASSERT_EQ(discover(), NO_ERROR);
    EXPECT_EQ(acq_getdevices(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(acq_getinputdev(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(acq_getinputmodes(nullptr), ERR_INVALID_PARAM);
    acq_mgrclose(&info());
    refusals(ERR_ACQ_INIT_DEV);
    EXPECT_EQ(acq_last_error(), NO_ERROR);
}

}  // namespace
}  // namespace acq_test
