// The set-up shared by the acquisition tests: a scratch folder standing in
// for the system folder and the configuration directory, the simulated
// libraries on the library path, and a system of one grabber with one camera.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "acquisition/acquisition.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "sim/kv_acq/sim_kv_acq.h"
#include "support/print_capture.h"
#include "support/temp_file.h"

namespace acq_test {

inline std::string variant_folder(const char* variant) {
    return std::string(SIM_ACQ_LIBRARY_DIR) + "/" + variant;
}

// Points the library search at one variant of the simulated libraries.
inline void use_variant(const char* variant) {
    plat::set_library_directory(variant_folder(variant).c_str());
}

inline void set_name(char* destination, const char* name) {
    std::strncpy(destination, name, SIM_ACQ_NAME_SIZE - 1);
}

using param_list = std::initializer_list<std::pair<const char*, double>>;

inline void set_params(sim_acq_param* params, int32_t* count, param_list values) {
    *count = 0;
    for (const auto& [name, value] : values) {
        set_name(params[*count].name, name);
        params[(*count)++].value = value;
    }
}

inline sim_acq_mode* add_mode(sim_acq_input* input, const char* name, int32_t id,
                              param_list params) {
    sim_acq_mode* mode = &input->modes[input->numModes++];
    set_name(mode->name, name);
    mode->id = id;
    set_params(mode->params, &mode->numParams, params);
    input->modeCount = input->numModes;
    return mode;
}

inline sim_acq_input* add_input(sim_acq_device* device, const char* name, int32_t id) {
    sim_acq_input* input = &device->inputs[device->numInputs++];
    set_name(input->name, name);
    input->id = id;
    device->inputCount = device->numInputs;
    return input;
}

inline sim_acq_device* add_device(sim_acq_state* state, const char* name, int32_t id) {
    sim_acq_device* device = &state->devices[state->numDevices++];
    set_name(device->name, name);
    device->id = id;
    state->deviceCount = state->numDevices;
    return device;
}

// The IDs of the standard system.
inline constexpr int32_t kDeviceId = 100;
inline constexpr int32_t kCameraId = 200;

// One grabber, one camera with two modes, and the display figures.
inline void standard_system(sim_acq_state* state) {
    sim_acq_device* device = add_device(state, "grabber", kDeviceId);
    set_params(device->params, &device->numParams,
               {{"GRAB DATA BUFFERS", 4}, {"DISPLAY TYPE", 3}, {"MAX DISPLAY WIDTH", 1024},
                {"MAX DISPLAY HEIGHT", 768}, {"ONBOARD PROC", 1}});
    sim_acq_input* camera = add_input(device, "camera", kCameraId);
    add_mode(camera, "full", 300,
             {{"DATA RATE", 30}, {"MAX USER WIDTH", 640}, {"MAX USER HEIGHT", 480},
              {"X DATA SCALE", 2}, {"DATA RESOLUTION", 12}});
    add_mode(camera, "fast", 301, {{"DATA RATE", 60}, {"MEAS INTEGRATION PERIOD", 5}});
}

// Sets an environment variable for the life of the object.
class scoped_env {
  public:
    scoped_env(const char* name, const char* value) : name_(name) {
        const char* old = plat::get_environment(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        plat::set_environment(name, value);
    }
    ~scoped_env() { plat::set_environment(name_.c_str(), had_ ? old_.c_str() : nullptr); }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

  private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

class AcqTest : public ::testing::Test {
  protected:
    // The configuration directory is fixed by its first lookup: it is the
    // scratch folder for the whole test program.
    static void SetUpTestSuite() {
        static temp_file config_marker("config-dir-marker");
        config_dir() = config_marker.path.parent_path().string();
        plat::set_environment("MB_CONFIG_DIR", config_dir().c_str());
    }
    static std::string& config_dir() {
        static std::string dir;
        return dir;
    }

    void SetUp() override {
        system_root_.emplace("SystemRoot", config_dir().c_str());
        for (int i = 0; i < SIM_ACQ_ENV_COUNT; ++i) {
            env_[i].emplace(kSimAcqEnvNames[i], nullptr);
        }
        ini_.write_text("[ACQDEVICE1]\r\nBOARD=1\r\n");
        cal_.write_text("CameraType: 12\n");
        use_variant("complete");
        state_ = hold_library();
        ASSERT_NE(state_, nullptr);
        state_->initResult = 1;
        standard_system(state_);
    }

    void TearDown() override {
        acq_mgrclose(&gl_SysInfo[0]);
        if (held_ != nullptr) plat::unload_library(held_);
        held_ = nullptr;
        acq_default_hooks();
        plat::set_library_directory(nullptr);
        for (auto& env : env_) env.reset();
        system_root_.reset();
    }

    // Loads the frame-grabber library the binding will load, so its state can
    // be set before and read after; zeroes the state.
    sim_acq_state* hold_library() {
        held_ = plat::load_library(ACQ_LIBRARY);
        if (held_ == nullptr) return nullptr;
        auto control =
            reinterpret_cast<sim_acq_control_func>(plat::library_symbol(held_, SIM_ACQ_CONTROL));
        if (control == nullptr) return nullptr;
        sim_acq_state* state = control();
        std::memset(state, 0, sizeof *state);
        return state;
    }

    // Gives up the test's own hold; true when the library then left memory,
    // which shows as its state starting from zero when it is loaded again.
    bool release_and_check_unloaded() {
        state_->lastError = 77;
        plat::unload_library(held_);
        held_ = nullptr;
        plat::library_handle again = plat::load_library(ACQ_LIBRARY);
        if (again == nullptr) return false;
        auto control =
            reinterpret_cast<sim_acq_control_func>(plat::library_symbol(again, SIM_ACQ_CONTROL));
        const bool fresh = control != nullptr && control()->lastError == 0;
        plat::unload_library(again);
        return fresh;
    }

    int32_t init() { return acq_mgrinit(0, 1, cal_.c_str()); }

    sys_acq_info& acq() { return gl_SysInfo[0].acq; }

    temp_file ini_{"KvAcq.ini"};
    temp_file cal_{"acq-cal.txt"};
    sim_acq_state* state_ = nullptr;
    plat::library_handle held_ = nullptr;
    std::optional<scoped_env> system_root_;
    std::optional<scoped_env> env_[SIM_ACQ_ENV_COUNT];
};

}  // namespace acq_test
