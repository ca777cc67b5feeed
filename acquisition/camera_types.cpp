// The names of the camera types that a calibration file can name.
#include "acquisition/acquisition.h"

namespace {

constexpr const char* kCameraTypeNames[ACQ_CAMERA_TYPE_COUNT] = {
    "Unknown",
    "Analog 640x480 8-bit",
    "Analog 768x574 8-bit",
    "Analog 640x480 8-bit, double speed",
    "Digital 640x480 8-bit",
    "Digital 640x480 10-bit",
    "Digital 640x480 12-bit",
    "Digital 1024x1024 8-bit",
    "Digital 1024x1024 10-bit",
    "Digital 1024x1024 12-bit",
    "Digital 1280x1024 8-bit",
    "Digital 1280x1024 10-bit",
    "Digital 1280x1024 12-bit",
    "Digital 1000x1000 8-bit",
    "Digital 1000x1000 12-bit",
    "Digital 320x240 8-bit, high speed",
    "Digital 320x240 12-bit, high speed",
    "Digital 2048x2048 8-bit",
    "Digital 2048x2048 12-bit",
    "Digital 1600x1200 8-bit",
    "Digital 1600x1200 12-bit",
    "Digital 640x480 8-bit, dual tap",
    "Digital 1024x1024 8-bit, dual tap",
    "Digital 1280x1024 8-bit, dual tap",
    "Network 640x480 8-bit",
    "Network 1024x1024 8-bit",
    "Network 1280x1024 8-bit",
    "Network 2048x2048 8-bit",
    "USB 640x480 8-bit",
    "USB 1280x1024 8-bit",
    "Infrared 640x512 14-bit",
    "Infrared 320x256 14-bit",
    "Simulated camera",
};

}  // namespace

const char* acq_camera_type_name(int32_t type) {
    if (type < 0 || type >= ACQ_CAMERA_TYPE_COUNT) type = 0;
    return kCameraTypeNames[type];
}
