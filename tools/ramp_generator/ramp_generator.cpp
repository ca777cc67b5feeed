// Synthetic scan ramps: see ramp_generator.h.
#include "tools/ramp_generator/ramp_generator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace rampgen {
namespace {

// Samples from `from` at index first to `to` at index last, linearly.
void line(std::vector<uint16_t>& v, int64_t first, int64_t last, double from, double to) {
    for (int64_t i = first; i <= last && i < static_cast<int64_t>(v.size()); ++i) {
        if (i < 0) continue;
        const double t = last == first ? 1.0 : static_cast<double>(i - first) / static_cast<double>(last - first);
        v[static_cast<size_t>(i)] = static_cast<uint16_t>(std::lround(from + (to - from) * t));
    }
}

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

ramp make_ramp(const options& opt) {
    ramp r{};
    rr_ramp_hdr_t& h = r.hdr;
    h.magicNumber = RR_RAMP_MAGIC;
    h.rampType = opt.type;
    h.pztID = opt.pzt_id;
    h.rampID = 7;
    h.nPoints = opt.points;
    h.rampUp = opt.trig_start / 2;
    h.rampStart = opt.trig_start;
    h.rampLinear = opt.trig_start + 1;
    h.rampEnd = opt.trig_end;
    h.sampleClkFreq = opt.sample_clk;
    h.cameraRate = opt.camera_rate;
    h.updateRate = static_cast<int32_t>(65536.0f - 4000.0f / opt.sample_clk + 0.5);
    h.grabSkip = opt.grab_skip;
    h.rampSlope = opt.ramp_slope;
    h.trigStartAddr = opt.trig_start;
    h.trigEndAddr = opt.trig_end;
    h.rampGainDflt = 2048;
    h.rampTriple[0] = 0.5f;
    h.rampTriple[1] = -1.25f;
    h.rampTriple[2] = 3.0f;
    h.scanLen = opt.scan_len;
    h.polar = opt.polar;
    h.offset = opt.offset;
    const float frames = opt.camera_rate / static_cast<float>(opt.grab_skip + 1);
    h.nBuckets = opt.n_buckets != 0
                     ? opt.n_buckets
                     : static_cast<int32_t>(frames * static_cast<float>(opt.trig_end - opt.trig_start) /
                                            (1000 * opt.sample_clk));
    h.rampLin = 1.0f;
    h.rampTrim = 0.0f;
    h.cameraPClock = 14.318f;
    h.cameraHPeriod = 910;
    h.cameraVPeriod = 525;
    h.cameraInterlace = opt.interlace;
    h.rampMux = opt.ramp_mux;
    h.instrBdType = opt.board;
    h.compGain = 1;
    h.compFilter = opt.comp_filter;
    h.leakage = 3;
    h.adcMin = 100;
    h.adcMax = 4000;
    h.adcFirst = 200;
    h.adcMid = 2048;
    h.adcLast = 3900;
    h.scanCal = opt.scan_cal;
    h.fringesPerFrame = opt.fringes;
    h.objMag = opt.obj_mag;
    h.wavelenSelect = opt.wavelen;
    h.directionFlag = opt.rising ? 1 : 0;
    if (opt.mark_reserved) {
        for (size_t i = 0; i < sizeof h.reserved1; ++i) h.reserved1[i] = static_cast<uint8_t>(0xA0 + i);
        for (size_t i = 0; i < sizeof h.reserved2; ++i) h.reserved2[i] = static_cast<uint8_t>(0xB0 + i);
        for (size_t i = 0; i < sizeof h.reserved3; ++i) h.reserved3[i] = static_cast<uint8_t>(0xC0 + i);
        for (size_t i = 0; i < sizeof h.spare; ++i) h.spare[i] = static_cast<uint8_t>(i);
    }

    if (opt.points > 0) {
        r.points.assign(static_cast<size_t>(opt.points), static_cast<uint16_t>(opt.offset));
        const double first = opt.rising ? opt.low : opt.high;
        const double last = opt.rising ? opt.high : opt.low;
        line(r.points, 0, opt.trig_start, opt.offset, first);
        line(r.points, opt.trig_start, opt.trig_end, first, last);
        line(r.points, opt.trig_end, opt.points - 1, last, opt.offset);
    }
    return r;
}

std::vector<uint8_t> file_bytes(const ramp& r) {
    std::vector<uint8_t> out;
    const auto* raw = reinterpret_cast<const uint8_t*>(&r.hdr);
    for (int word = 0; word < RR_RAMP_HDR_BE_WORDS; ++word) {
        uint32_t v = 0;
        std::memcpy(&v, raw + 4 * word, 4);
        put_be32(out, word == 0 ? static_cast<uint32_t>(RR_RAMP_MAGIC) : v);
    }
    out.insert(out.end(), raw + 4 * RR_RAMP_HDR_BE_WORDS, raw + RR_RAMP_HDR_SIZE);
    for (uint16_t v : r.points) {
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

std::string spec_line(const ramp& r, const std::string& file_name) {
    const rr_ramp_hdr_t& h = r.hdr;
    const char* type = h.rampType == RR_RAMP_SWLI ? "SWLI" : h.rampType == RR_RAMP_BTW ? "BTW" : "PMI";
    char text[256];
    std::snprintf(text, sizeof text, " %-4s %-22s %6.2f %6.2f %2d %2d %5.3f %8.4f %6.2f %7.5f %1d",
                  type, file_name.c_str(), static_cast<double>(h.scanLen),
                  static_cast<double>(h.cameraRate), h.cameraInterlace, h.grabSkip,
                  static_cast<double>(h.fringesPerFrame), static_cast<double>(h.rampSlope),
                  static_cast<double>(h.objMag), static_cast<double>(h.scanCal), 0);
    return text;
}

}  // namespace rampgen
