// Parsing and checking one spec line of the ramp configuration file.
//
// The first token is split at blanks, tabs and line feeds, later ones at
// blanks and tabs only: the last token of a line keeps its line feed, which
// the number readers stop at. Fields are checked in order and the first one
// that fails rejects the line.
#include "ramps/ramp_cfg_line.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "ramps/number_text.h"
#include "ramps/ramp_values.h"

namespace {

constexpr float kMaxScanLen = 1000;
constexpr float kMaxCameraRate = 50000;
constexpr int32_t kGrabSkipLimit = 100;  // grab skip is below this
constexpr float kMaxFringesPerFrame = 10;
constexpr float kMaxRampSlope = 4000;
constexpr float kMaxObjMag = 1000;
constexpr float kMinScanCal = 0.5f;
constexpr float kMaxScanCal = 1.5f;

bool is_pmi(int32_t type) {
    return type == RR_RAMP_PMI;
}

// Splits a private copy of the line at its delimiters, as strtok does.
class tokenizer {
  public:
    explicit tokenizer(const char* line) : copy_(line), at_(copy_.data()) {}
    char* next(const char* delimiters) {
        at_ += std::strspn(at_, delimiters);
        if (*at_ == '\0') return nullptr;
        char* const token = at_;
        at_ += std::strcspn(at_, delimiters);
        if (*at_ != '\0') *at_++ = '\0';
        return token;
    }

  private:
    std::string copy_;
    char* at_;
};

// The fields of a spec line: number and name as messages give them.
struct field {
    int number;
    const char* name;
};
constexpr field kRampType{1, "RampType"};
constexpr field kFileName{2, "FileName"};
constexpr field kScanLen{3, "ScanLen"};
constexpr field kCameraRate{4, "CameraRate"};
constexpr field kCameraInterlace{5, "CameraInterlace"};
constexpr field kGrabSkip{6, "GrabSkip"};
constexpr field kFringesPerFrame{7, "FringesPerFrame"};
constexpr field kRampSlope{8, "RampSlope"};
constexpr field kObjMag{9, "ObjMag"};
constexpr field kScanCal{10, "ScanCal"};
constexpr field kHide{11, "Hide"};

// "%g" of a limit in a hint.
std::string g(double value) {
    return rr_text::general(value);
}

class line_parser {
  public:
    line_parser(const char* line, rr_ramp_cfg_t* spec, rr_cfg_rejection* why)
        : tokens_(line), spec_(spec), why_(why) {}

    rr_cfg_line_kind parse() {
        const char* type = tokens_.next(" \t\n");
        if (type == nullptr || type[0] == '#') return rr_cfg_line_kind::skipped;
        *spec_ = rr_ramp_cfg_t{};
        const bool accepted = parse_type(type) && parse_file_name() && parse_scan_len() &&
                              parse_camera_rate() && parse_camera_interlace() &&
                              parse_grab_skip() && parse_fringes_per_frame() &&
                              parse_ramp_slope() && parse_obj_mag() && parse_scan_cal() &&
                              parse_hide();
        return accepted ? rr_cfg_line_kind::spec : rr_cfg_line_kind::rejected;
    }

  private:
    // The next field's token; a missing one rejects the line.
    const char* token(const field& f) {
        const char* t = tokens_.next(" \t");
        if (t == nullptr) {
            std::snprintf(why_->message, sizeof why_->message, "Missing %s value (field %d)",
                          f.name, f.number);
            why_->hint[0] = '\0';
        }
        return t;
    }

    // A real field as stored (single precision), so that a value that passes
    // is one that reads back and passes again.
    bool real(const field& f, float* out, bool (*valid)(float, int32_t type),
              const std::string& hint) {
        const char* t = token(f);
        if (t == nullptr) return false;
        double parsed = 0;
        const bool is_number = rr_text::read_real(t, &parsed);
        *out = rr_to_float(parsed);
        if (is_number && valid(*out, spec_->rampType)) return true;
        std::snprintf(why_->message, sizeof why_->message, "Invalid %s value %s (field %d)", f.name,
                      rr_text::general(*out).c_str(), f.number);
        std::snprintf(why_->hint, sizeof why_->hint, "%s", hint.c_str());
        return false;
    }

    bool integer(const field& f, int32_t* out, int32_t low, int32_t high,
                 const std::string& hint) {
        const char* t = token(f);
        if (t == nullptr) return false;
        const bool is_number = rr_text::read_integer(t, out);
        if (is_number && *out >= low && *out <= high) return true;
        reject_integer(f, *out, hint);
        return false;
    }

    void reject_integer(const field& f, int32_t value, const std::string& hint) {
        std::snprintf(why_->message, sizeof why_->message, "Invalid %s value %d (field %d)", f.name,
                      value, f.number);
        std::snprintf(why_->hint, sizeof why_->hint, "%s", hint.c_str());
    }

    bool parse_type(const char* token) {
        char cut[5] = {};
        std::strncpy(cut, token, 4);  // only the first four characters count
        if (std::strcmp(cut, "SWLI") == 0) {
            spec_->rampType = RR_RAMP_SWLI;
        } else if (std::strcmp(cut, "PMI") == 0) {
            spec_->rampType = RR_RAMP_PMI;
        } else if (std::strncmp(cut, "BTW", 3) == 0) {
            spec_->rampType = RR_RAMP_BTW;
            if (cut[3] != '\0') {
                if (cut[3] < '0' + RR_BTW_WAVELEN_MIN || cut[3] > '0' + RR_BTW_WAVELEN_MAX) {
                    std::snprintf(why_->message, sizeof why_->message,
                                  "Invalid BTW wavelength index (field %d)", kRampType.number);
                    std::snprintf(why_->hint, sizeof why_->hint,
                                  "Wavelength index must be an integer in the range [%d,%d]\n",
                                  RR_BTW_WAVELEN_MIN, RR_BTW_WAVELEN_MAX);
                    return false;
                }
                spec_->wavelenSelect = cut[3] - '0';
            }
        } else {
            std::snprintf(why_->message, sizeof why_->message, "Invalid %s value (field %d)",
                          kRampType.name, kRampType.number);
            std::snprintf(why_->hint, sizeof why_->hint,
                          "Allowed %s values are SWLI, PMI, BTW, and BTWX\n"
                          "where X is a wavelength index in the range [%d,%d]\n",
                          kRampType.name, RR_BTW_WAVELEN_MIN, RR_BTW_WAVELEN_MAX);
            return false;
        }
        return true;
    }

    bool parse_file_name() {
        const char* t = token(kFileName);
        if (t == nullptr) return false;
        if (std::strlen(t) > static_cast<size_t>(RR_FILE_NAME_LEN)) {
            std::snprintf(why_->message, sizeof why_->message, "%s is too long (field %d)",
                          kFileName.name, kFileName.number);
            std::snprintf(why_->hint, sizeof why_->hint, "The %s may be up to %d characters\n",
                          kFileName.name, RR_FILE_NAME_LEN);
            return false;
        }
        std::strcpy(spec_->fileName, t);
        return true;
    }

    bool parse_scan_len() {
        const std::string hint = std::string("For PMI ramps, the ") + kScanLen.name +
                                 " value must be 0\nFor SWLI or BTW ramps, it must be greater "
                                 "than " + g(0) + " and less than " + g(kMaxScanLen) + " (um)\n";
        return real(
            kScanLen, &spec_->scanLen,
            rr_cfg_scan_len_ok,
            hint);
    }

    bool parse_camera_rate() {
        const std::string hint = std::string("The ") + kCameraRate.name +
                                 " value must be greater than 0 and less than " +
                                 g(kMaxCameraRate) + " (Hz)\n";
        return real(
            kCameraRate, &spec_->cameraRate,
            rr_cfg_camera_rate_ok, hint);
    }

    bool parse_camera_interlace() {
        return integer(kCameraInterlace, &spec_->cameraInterlace, 0, 1,
                       std::string("The ") + kCameraInterlace.name + " value must be 0 or 1\n");
    }

    bool parse_grab_skip() {
        const std::string hint = std::string("The ") + kGrabSkip.name +
                                 " value must be greater than or equal to 0 and less than " +
                                 std::to_string(kGrabSkipLimit) + "\n";
        return integer(kGrabSkip, &spec_->grabSkip, 0, kGrabSkipLimit - 1, hint);
    }

    bool parse_fringes_per_frame() {
        const std::string hint = std::string("The ") + kFringesPerFrame.name +
                                 " value must be greater than " + g(0) + " and less than " +
                                 g(kMaxFringesPerFrame) + "\n";
        return real(
            kFringesPerFrame, &spec_->fringesPerFrame,
            rr_cfg_fringes_per_frame_ok, hint);
    }

    bool parse_ramp_slope() {
        const std::string hint = std::string("For PMI ramps, the ") + kRampSlope.name +
                                 " value may be 0\nFor SWLI or BTW ramps, it must be greater "
                                 "than " + g(0) + " and less than " + g(kMaxRampSlope) +
                                 " (nm/frm)\n";
        return real(
            kRampSlope, &spec_->rampSlope,
            rr_cfg_ramp_slope_ok,
            hint);
    }

    bool parse_obj_mag() {
        const std::string hint = std::string("For PMI or SWLI ramps, the ") + kObjMag.name +
                                 " value may be 0\nFor BTW ramps, it must be greater than " +
                                 g(0) + " and less than " + g(kMaxObjMag) + "\n";
        return real(
            kObjMag, &spec_->objMag,
            rr_cfg_obj_mag_ok,
            hint);
    }

    bool parse_scan_cal() {
        const std::string hint = std::string("For PMI ramps, the ") + kScanCal.name +
                                 " value must be 0\nFor SWLI or BTW ramps, it must be greater "
                                 "than " + g(kMinScanCal) + " and less than " + g(kMaxScanCal) +
                                 "\n";
        return real(
            kScanCal, &spec_->scanCal,
            rr_cfg_scan_cal_ok,
            hint);
    }

    // Optional: absent, or a token that starts with a line feed or "#", is 0.
    bool parse_hide() {
        const char* t = tokens_.next(" \t");
        if (t == nullptr || t[0] == '\n' || t[0] == '#') {
            spec_->hide = 0;
            return true;
        }
        const bool is_number = rr_text::read_integer(t, &spec_->hide);
        if (is_number && (spec_->hide == 0 || spec_->hide == 1)) return true;
        reject_integer(kHide, spec_->hide,
                       std::string("The ") + kHide.name + " value must be blank, 0 or 1\n");
        return false;
    }

    tokenizer tokens_;
    rr_ramp_cfg_t* spec_;
    rr_cfg_rejection* why_;
};

}  // namespace

bool rr_cfg_scan_len_ok(float v, int32_t type) {
    return is_pmi(type) ? v == 0 : v > 0 && v < kMaxScanLen;
}

bool rr_cfg_camera_rate_ok(float v, int32_t) {
    return v > 0 && v < kMaxCameraRate;
}

bool rr_cfg_fringes_per_frame_ok(float v, int32_t) {
    return v > 0 && v < kMaxFringesPerFrame;
}

bool rr_cfg_ramp_slope_ok(float v, int32_t type) {
    return v >= 0 && v < kMaxRampSlope && (is_pmi(type) || v != 0);
}

bool rr_cfg_obj_mag_ok(float v, int32_t type) {
    return v >= 0 && v < kMaxObjMag && (type != RR_RAMP_BTW || v != 0);
}

bool rr_cfg_scan_cal_ok(float v, int32_t type) {
    return is_pmi(type) ? v == 0 : v > kMinScanCal && v < kMaxScanCal;
}

rr_cfg_line_kind rr_parse_cfg_line(const char* line, rr_ramp_cfg_t* spec, rr_cfg_rejection* why) {
    return line_parser(line, spec, why).parse();
}
