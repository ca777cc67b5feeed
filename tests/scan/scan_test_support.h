// What the scan tests share: a ramp table put into an instrument record
// (owned by the test, taken out again before the record is cleared) and a
// scan file in a scratch folder.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "instrument/instrument.h"
#include "ramps/ramps.h"
#include "sim/scanner/ramp_scan.h"
#include "support/temp_file.h"
#include "tools/ramp_generator/ramp_generator.h"

namespace scan_test {

class ramp_table {
  public:
    void add(const rampgen::ramp& ramp) { ramps_.push_back(ramp); }
    rampgen::ramp& at(size_t i) { return ramps_[i]; }

    void install(sys_info* info) {
        records_.assign(ramps_.size(), rr_ramp_t{});
        for (size_t i = 0; i < ramps_.size(); ++i) {
            rr_init_ramp(&records_[i]);
            records_[i].hdr = ramps_[i].hdr;
            records_[i].points = ramps_[i].points.data();
        }
        info->ramps.rampTable = records_.data();
        info->ramps.rampCount = static_cast<int32_t>(records_.size());
        std::memset(info->ramps.instrSlots, SYS_EMPTY_RAMP_SLOT, sizeof info->ramps.instrSlots);
    }
    static void remove(sys_info* info) {
        info->ramps.rampTable = nullptr;
        info->ramps.rampCount = 0;
    }
    rr_ramp_t& record(size_t i) { return records_[i]; }

  private:
    std::vector<rampgen::ramp> ramps_;
    std::vector<rr_ramp_t> records_;
};

// A SWLI ramp for the PIFOC of `points` samples at 1 kHz, triggered from
// sample 100 for `buckets` frames of 40 samples.
inline rampgen::ramp swli_ramp(int32_t board, int32_t points = 2600, int32_t buckets = 50) {
    rampgen::options o;
    o.board = board;
    o.points = points;
    o.trig_start = 100;
    o.trig_end = 100 + 40 * buckets;
    o.sample_clk = 1;
    o.camera_rate = 25;
    o.n_buckets = buckets;
    o.low = static_cast<uint16_t>(32768 - 50 * buckets);
    o.high = static_cast<uint16_t>(32768 + 50 * buckets);
    return rampgen::make_ramp(o);
}

inline std::vector<uint16_t> values_of(const rampgen::ramp& ramp) {
    return ramp.points;
}

}  // namespace scan_test
