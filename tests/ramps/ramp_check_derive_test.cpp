// Checking a ramp against its spec, deriving a ramp from another, and the
// resampling beneath it: refusals with their messages, values worked out by
// hand on a small ramp, and properties over many generated ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"
#include "tools/ramp_generator/ramp_generator.h"

namespace {

rr_ramp_cfg_t swli_spec() {
    rr_ramp_cfg_t s{};
    s.rampType = RR_RAMP_SWLI;
    std::strcpy(s.fileName, "d10s81c25.b12345");
    s.scanLen = 10;
    s.cameraRate = 25;
    s.fringesPerFrame = 0.25f;
    s.rampSlope = 81;
    s.scanCal = 1;
    return s;
}

struct check_outcome {
    int32_t err;
    std::string printed;
};

check_outcome check(const rr_ramp_cfg_t& spec, const rr_ramp_hdr_t& hdr) {
    owned_ramp ramp;
    ramp.ramp.hdr = hdr;
    print_capture capture;
    const int32_t err = rr_check_ramp_cfg(&spec, &ramp.ramp);
    return {err, capture.printed()};
}

TEST(RampCheckCfg, EachTestInOrder) {
    const rr_ramp_hdr_t swli = rampgen::make_ramp({}).hdr;
    struct check_case {
        const char* what;
        void (*change_spec)(rr_ramp_cfg_t&);
        void (*change_ramp)(rr_ramp_hdr_t&);
        std::string message;  // empty: the check passes
    };
    const std::vector<check_case> cases = {
        {"same", [](rr_ramp_cfg_t&) {}, [](rr_ramp_hdr_t&) {}, ""},
        {"PMI spec, ramp of type 3",
         [](rr_ramp_cfg_t& s) { s.rampType = RR_RAMP_PMI; },
         [](rr_ramp_hdr_t& h) { h.rampType = 3; }, ""},
        {"spec 5, ramp of type 3", [](rr_ramp_cfg_t& s) { s.rampType = 5; },
         [](rr_ramp_hdr_t& h) { h.rampType = 3; }, "Error: mismatched rampType\n"},
        {"SWLI spec, BTW ramp", [](rr_ramp_cfg_t&) {},
         [](rr_ramp_hdr_t& h) { h.rampType = RR_RAMP_BTW; }, "Error: mismatched rampType\n"},
        {"PMI spec, SWLI ramp", [](rr_ramp_cfg_t& s) { s.rampType = RR_RAMP_PMI; },
         [](rr_ramp_hdr_t&) {}, "Error: mismatched rampType\n"},
        {"rates 30.00 and 30.05", [](rr_ramp_cfg_t& s) { s.cameraRate = 30.05f; },
         [](rr_ramp_hdr_t& h) { h.cameraRate = 30.0f; }, ""},
        {"rates 30.0 and 30.2", [](rr_ramp_cfg_t& s) { s.cameraRate = 30.2f; },
         [](rr_ramp_hdr_t& h) { h.cameraRate = 30.0f; }, "Error: mismatched cameraRate\n"},
        {"interlace", [](rr_ramp_cfg_t& s) { s.cameraInterlace = 1; }, [](rr_ramp_hdr_t&) {},
         "Error: mismatched cameraInterlace\n"},
        {"grab skip", [](rr_ramp_cfg_t& s) { s.grabSkip = 1; }, [](rr_ramp_hdr_t&) {},
         "Error: mismatched grabSkip\n"},
        {"fringes", [](rr_ramp_cfg_t& s) { s.fringesPerFrame = 0.75f; }, [](rr_ramp_hdr_t&) {},
         "Error: mismatched fringesPerFrame\n"},
        {"scan length", [](rr_ramp_cfg_t& s) { s.scanLen = 10.5f; }, [](rr_ramp_hdr_t&) {},
         "Error: mismatched scanLen\n"},
        {"slope", [](rr_ramp_cfg_t& s) { s.rampSlope = 82; }, [](rr_ramp_hdr_t&) {},
         "Error: mismatched rampSlope\n"},
        {"PMI ramp, other scan length and slope",
         [](rr_ramp_cfg_t& s) {
             s.rampType = RR_RAMP_PMI;
             s.scanLen = 0;
             s.rampSlope = 0;
         },
         [](rr_ramp_hdr_t& h) { h.rampType = RR_RAMP_PMI; }, ""},
        {"first failure only",
         [](rr_ramp_cfg_t& s) {
             s.grabSkip = 2;
             s.scanLen = 3;
         },
         [](rr_ramp_hdr_t&) {}, "Error: mismatched grabSkip\n"},
        {"calibration, magnification, wavelength and hide are not compared",
         [](rr_ramp_cfg_t& s) {
             s.scanCal = 1.2f;
             s.objMag = 50;
             s.wavelenSelect = 3;
             s.hide = 1;
         },
         [](rr_ramp_hdr_t&) {}, ""},
    };
    for (const check_case& c : cases) {
        rr_ramp_cfg_t spec = swli_spec();
        rr_ramp_hdr_t hdr = swli;
        c.change_spec(spec);
        c.change_ramp(hdr);
        const check_outcome out = check(spec, hdr);
        EXPECT_EQ(out.err, c.message.empty() ? NO_ERROR : ERR_INVALID_PARAM) << c.what;
        EXPECT_EQ(out.printed, c.message) << c.what;
    }
}

// The small base ramp worked by hand: 14 samples, triggered part 2 to 10,
// offset 100, the slope falling from 12 to 6 to 3 per sample.
owned_ramp* small_base(owned_ramp* base) {
    static const uint16_t v[14] = {100, 112, 124, 136, 148, 160, 166,
                                   172, 178, 184, 190, 193, 196, 199};
    rr_ramp_hdr_t& h = base->ramp.hdr;
    h = rampgen::make_ramp({.points = 14, .trig_start = 2, .trig_end = 10, .offset = 100}).hdr;
    h.scanLen = 10;
    h.cameraRate = 25;
    h.grabSkip = 0;
    h.rampSlope = 81;
    h.sampleClkFreq = 0.05f;
    h.compFilter = 1;
    h.compGain = 1;
    std::strcpy(base->ramp.name, "base.ramp");
    base->ramp.points = static_cast<uint16_t*>(gl_MallocFunc(sizeof v));
    std::memcpy(base->ramp.points, v, sizeof v);
    return base;
}

std::vector<uint16_t> samples_of(const rr_ramp_t& r) {
    return {r.points, r.points + r.hdr.nPoints};
}

TEST(RampRescale, SmallRampByHand) {
    owned_ramp base;
    small_base(&base);
    rr_ramp_hdr_t hdr = base.ramp.hdr;
    std::vector<uint16_t> w(14, 0);
    ASSERT_EQ(rr_rescale_ramp(&base.ramp.hdr, base.ramp.points, &hdr, w.data(), 5), NO_ERROR);
    // c = 0.5: the new triggered part is base samples 4 to 8. Lead-in scale
    // k = (124 - 100) / (148 - 100) = 0.5. Stretch e = (14 - 2) / (8 + 4 - 4)
    // = 1.5: one sample per step and, every second step, one between.
    EXPECT_EQ(w, (std::vector<uint16_t>{100, 124, 148, 156, 160, 162, 168, 172, 174, 180, 184, 185,
                                        188, 190}));
    EXPECT_EQ(hdr.sampleClkFreq, 0.05f * 1.5f);
    EXPECT_EQ(hdr.scanLen, 5.0f);
}

TEST(RampRescale, FullScanLengthReproducesTheSamples) {
    // The last step has no sample after it: the stretch is 1 and it copies.
    const rampgen::ramp r = rampgen::make_ramp({.points = 300, .trig_start = 20, .trig_end = 300});
    auto* v = static_cast<uint16_t*>(gl_MallocFunc(300 * sizeof(uint16_t)));  // exact size
    std::copy(r.points.begin(), r.points.end(), v);
    rr_ramp_hdr_t hdr = r.hdr;
    std::vector<uint16_t> w(300, 0);
    EXPECT_EQ(rr_rescale_ramp(&r.hdr, v, &hdr, w.data(), r.hdr.scanLen), NO_ERROR);
    EXPECT_EQ(w, r.points);
    gl_FreeFunc(v);
}

TEST(RampRescale, Refusals) {
    owned_ramp base;
    small_base(&base);
    const rr_ramp_hdr_t& b = base.ramp.hdr;
    std::vector<uint16_t> w(14, 0);
    rr_ramp_hdr_t hdr = b;
    EXPECT_EQ(rr_rescale_ramp(&b, base.ramp.points, &hdr, w.data(), 11), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(rr_rescale_ramp(&b, base.ramp.points, &hdr, w.data(), -1), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(rr_rescale_ramp(&b, nullptr, &hdr, w.data(), 5), ERR_INVALID_PARAM);
    hdr.nPoints = 13;
    EXPECT_EQ(rr_rescale_ramp(&b, base.ramp.points, &hdr, w.data(), 5), ERR_INVALID_PARAM);
    hdr = b;
    hdr.trigStartAddr = 14;
    EXPECT_EQ(rr_rescale_ramp(&b, base.ramp.points, &hdr, w.data(), 5), ERR_INVALID_PARAM);
    for (const auto& [start, end] : std::vector<std::pair<int32_t, int32_t>>{
             {-1, 10}, {5, 5}, {6, 5}, {2, 15}}) {
        rr_ramp_hdr_t bad = b;
        bad.trigStartAddr = start;
        bad.trigEndAddr = end;
        hdr = b;
        EXPECT_EQ(rr_rescale_ramp(&bad, base.ramp.points, &hdr, w.data(), 5),
                  ERR_CORRUPT_RAMP_FILE)
            << start << " " << end;
    }
    // Scan length 0 with the trigger ending at the last sample: nothing to
    // stretch over.
    rr_ramp_hdr_t to_end = b;
    to_end.trigEndAddr = 14;
    hdr = to_end;
    EXPECT_EQ(rr_rescale_ramp(&to_end, base.ramp.points, &hdr, w.data(), 0),
              ERR_PARAM_OUT_OF_RANGE);
}

TEST(RampRescale, LeadInWhenTheNewStartLiesAtTheOffset) {
    owned_ramp base;
    small_base(&base);
    base.ramp.hdr.offset = 148;  // the value at the new start, sample 4
    rr_ramp_hdr_t hdr = base.ramp.hdr;
    std::vector<uint16_t> w(14, 0);
    ASSERT_EQ(rr_rescale_ramp(&base.ramp.hdr, base.ramp.points, &hdr, w.data(), 5), NO_ERROR);
    EXPECT_EQ(w[0], 148);
    EXPECT_EQ(w[1], 148);
}

TEST(RampRescale, SamplesStayWithin16Bits) {
    // A lead-in scaled far beyond the range is held at its ends, not wrapped.
    const uint16_t v[8] = {0, 65000, 10, 20, 30, 40, 50, 60};
    rr_ramp_hdr_t b = rampgen::make_ramp({.points = 8, .trig_start = 2, .trig_end = 8,
                                          .offset = 5}).hdr;
    rr_ramp_hdr_t hdr = b;
    std::vector<uint16_t> w(8, 0);
    ASSERT_EQ(rr_rescale_ramp(&b, v, &hdr, w.data(), b.scanLen / 2), NO_ERROR);
    // k = (10 - 5) / (v[a] - 5) with a = 3: (20 - 5) -> k = 1/3.
    EXPECT_EQ(w[0], 0);      // trunc(-5 * 3) + 5 = -10, held at 0
    EXPECT_EQ(w[1], 65535);  // trunc(64995 * 3) + 5, held at 65535
}

TEST(RampRescale, MonotonicBasesGiveMonotonicRampsWithinBounds) {
    std::mt19937 random(20240611);
    constexpr uint16_t kUnwritten = 65535;
    constexpr size_t kGuard = 16;
    for (int round = 0; round < 500; ++round) {
        const int32_t n = std::uniform_int_distribution<int32_t>(2, 600)(random);
        const int32_t s = std::uniform_int_distribution<int32_t>(0, n - 2)(random);
        const int32_t t = std::uniform_int_distribution<int32_t>(s + 1, n - 1)(random);
        std::vector<uint16_t> v(static_cast<size_t>(n));
        uint16_t level = std::uniform_int_distribution<uint16_t>(10, 1000)(random);
        for (uint16_t& sample : v) {
            sample = level;
            level = static_cast<uint16_t>(level + std::uniform_int_distribution<int>(0, 90)(random));
        }
        rr_ramp_hdr_t b{};
        b.nPoints = n;
        b.trigStartAddr = s;
        b.trigEndAddr = t;
        b.offset = std::uniform_int_distribution<int32_t>(0, v.front() - 1)(random);
        b.scanLen = 100;
        b.sampleClkFreq = 5;
        rr_ramp_hdr_t hdr = b;
        const float scan = std::uniform_real_distribution<float>(1, 100)(random);
        std::vector<uint16_t> w(static_cast<size_t>(n) + kGuard, kUnwritten);
        ASSERT_EQ(rr_rescale_ramp(&b, v.data(), &hdr, w.data(), scan), NO_ERROR)
            << n << " " << s << " " << t << " " << scan;
        const std::string where = "n " + std::to_string(n) + " s " + std::to_string(s) + " t " +
                                  std::to_string(t) + " scan " + std::to_string(scan);
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            ASSERT_NE(w[i], kUnwritten) << where << " at " << i;
            ASSERT_GE(w[i], v.front()) << where << " at " << i;
            ASSERT_LE(w[i], v.back()) << where << " at " << i;
            if (i > 0) {
                ASSERT_GE(w[i], w[i - 1]) << where << " at " << i;
            }
        }
        for (size_t i = static_cast<size_t>(n); i < w.size(); ++i) {
            ASSERT_EQ(w[i], kUnwritten) << where;
        }
    }
}

struct derive_outcome {
    int32_t err;
    std::string printed;
};

derive_outcome derive(const owned_ramp& base, owned_ramp* ramp, const rr_ramp_cfg_t& spec) {
    print_capture capture;
    const int32_t err = rr_derive_ramp(&base.ramp, &ramp->ramp, &spec);
    return {err, capture.printed()};
}

TEST(RampDerive, SmallRampByHand) {
    owned_ramp base;
    small_base(&base);
    rr_ramp_cfg_t spec = swli_spec();
    spec.scanLen = 5;
    spec.rampSlope = 202.5f;  // 2.5 times the base's speed at the same frame rate
    spec.fringesPerFrame = 0.5f;
    spec.cameraInterlace = 1;
    spec.scanCal = 1.1f;
    owned_ramp r;
    ASSERT_EQ(derive(base, &r, spec).err, NO_ERROR);
    ASSERT_NE(r.ramp.points, nullptr);
    ASSERT_NE(r.ramp.points, base.ramp.points);
    EXPECT_EQ(samples_of(r.ramp), (std::vector<uint16_t>{100, 124, 148, 156, 160, 162, 168, 172,
                                                         174, 180, 184, 185, 188, 190}));
    const rr_ramp_hdr_t& h = r.ramp.hdr;
    EXPECT_STREQ(r.ramp.name, "base.ramp");
    EXPECT_EQ(h.rampType, RR_RAMP_SWLI);
    EXPECT_EQ(h.scanLen, 5.0f);
    EXPECT_EQ(h.cameraInterlace, 1);
    EXPECT_EQ(h.fringesPerFrame, 0.5f);
    EXPECT_EQ(h.rampSlope, 202.5f);
    EXPECT_EQ(h.scanCal, 1.1f);
    // Clock 0.05 kHz, times 1.5 for the stretch and 2.5 for the speed.
    EXPECT_FLOAT_EQ(h.sampleClkFreq, 0.1875f);
    EXPECT_EQ(h.updateRate, 44203);  // 65536 - 4000 / 0.1875 = 44202.67, rounded
    EXPECT_EQ(h.nBuckets, 1);        // 25 frames/s * 8 samples / 187.5 samples/s
    EXPECT_EQ(h.compGain, 0);        // faster than twice: one step less
    EXPECT_EQ(h.adcMin, 250);
    EXPECT_EQ(h.adcMax, 10000);
    EXPECT_EQ(h.adcFirst, 500);
    EXPECT_EQ(h.adcMid, 5120);
    EXPECT_EQ(h.adcLast, 9750);
}

TEST(RampDerive, SameScanLengthCopiesTheSamplesAndScalesTheClock) {
    owned_ramp base;
    small_base(&base);
    base.ramp.hdr.compFilter = 0;
    base.ramp.hdr.sampleClkFreq = 5;
    rr_ramp_cfg_t spec = swli_spec();
    spec.cameraRate = 50;
    spec.grabSkip = 1;      // the same 25 sampled frames per second
    spec.rampSlope = 40.5f;  // half the speed
    spec.rampType = RR_RAMP_BTW;
    spec.objMag = 20;
    spec.wavelenSelect = 3;
    owned_ramp r;
    ASSERT_EQ(derive(base, &r, spec).err, NO_ERROR);
    EXPECT_EQ(samples_of(r.ramp), samples_of(base.ramp));
    EXPECT_EQ(r.ramp.hdr.sampleClkFreq, 2.5f);
    EXPECT_EQ(r.ramp.hdr.rampType, RR_RAMP_BTW);
    EXPECT_EQ(r.ramp.hdr.objMag, 20.0f);
    EXPECT_EQ(r.ramp.hdr.wavelenSelect, 3);
    EXPECT_EQ(r.ramp.hdr.compGain, 1);  // no compensation filter: unchanged
    EXPECT_EQ(r.ramp.hdr.adcMax, base.ramp.hdr.adcMax);
}

TEST(RampDerive, FringesPerFrameMultipleOrDivisorOfAQuarter) {
    owned_ramp base;
    small_base(&base);
    base.ramp.hdr.sampleClkFreq = 5;
    for (const float fpf : {0.125f, 0.25f, 0.5f, 1.25f, 0.0625f}) {
        rr_ramp_cfg_t spec = swli_spec();
        spec.fringesPerFrame = fpf;
        owned_ramp r;
        EXPECT_EQ(derive(base, &r, spec).err, NO_ERROR) << fpf;
    }
    for (const float fpf : {0.3f, 0.2f, 0.75001f}) {
        rr_ramp_cfg_t spec = swli_spec();
        spec.fringesPerFrame = fpf;
        owned_ramp r;
        const derive_outcome out = derive(base, &r, spec);
        EXPECT_EQ(out.err, ERR_INVALID_PARAM) << fpf;
        EXPECT_EQ(out.printed.rfind("Error: fringesPerFrame = ", 0), 0u) << out.printed;
    }
    rr_ramp_cfg_t spec = swli_spec();
    spec.fringesPerFrame = 0.3f;
    owned_ramp r;
    EXPECT_EQ(derive(base, &r, spec).printed,
              "Error: fringesPerFrame = 0.3 is invalid for derived ramp\n");
}

TEST(RampDerive, RefusalsLeaveTheNewRampWithoutSamples) {
    owned_ramp base;
    small_base(&base);
    const std::vector<uint16_t> base_samples = samples_of(base.ramp);
    struct refusal {
        const char* what;
        void (*change_spec)(rr_ramp_cfg_t&);
        void (*change_base)(rr_ramp_hdr_t&);
        int32_t err;
        std::string message;
    };
    const std::vector<refusal> cases = {
        {"PMI base", [](rr_ramp_cfg_t&) {}, [](rr_ramp_hdr_t& h) { h.rampType = RR_RAMP_PMI; },
         ERR_INVALID_PARAM, ""},
        {"BTW base", [](rr_ramp_cfg_t&) {}, [](rr_ramp_hdr_t& h) { h.rampType = RR_RAMP_BTW; },
         ERR_INVALID_PARAM, ""},
        {"PMI spec", [](rr_ramp_cfg_t& s) { s.rampType = RR_RAMP_PMI; }, [](rr_ramp_hdr_t&) {},
         ERR_INVALID_PARAM, "Error: derived ramp must be type SWLI or BTW\n"},
        {"longer scan", [](rr_ramp_cfg_t& s) { s.scanLen = 10.5f; }, [](rr_ramp_hdr_t&) {},
         ERR_PARAM_OUT_OF_RANGE, "Error: derived ramp must have smaller scan length\n"},
        {"BTW without magnification", [](rr_ramp_cfg_t& s) { s.rampType = RR_RAMP_BTW; },
         [](rr_ramp_hdr_t&) {}, ERR_INVALID_PARAM,
         "Error: BTW ramp must specify an objective mag\n"},
        {"clock too low", [](rr_ramp_cfg_t& s) { s.rampSlope = 0.81f; }, [](rr_ramp_hdr_t&) {},
         ERR_INVALID_PARAM, "Error: sampleClkFreq = 0.0005 KHz is too low\n"},
        {"trigger outside the samples", [](rr_ramp_cfg_t&) {},
         [](rr_ramp_hdr_t& h) { h.trigEndAddr = 15; }, ERR_CORRUPT_RAMP_FILE,
         "Error: base ramp trigger addresses 2 to 15 do not lie within its 14 samples\n"},
        {"ADC value beyond int32", [](rr_ramp_cfg_t& s) { s.rampSlope = 810; },
         [](rr_ramp_hdr_t& h) { h.adcMax = 2000000000; }, ERR_INVALID_PARAM,
         "Error: derived ramp adcMax = 2e+10 does not fit\n"},
    };
    for (const refusal& c : cases) {
        rr_ramp_cfg_t spec = swli_spec();
        c.change_spec(spec);
        const rr_ramp_hdr_t saved = base.ramp.hdr;
        c.change_base(base.ramp.hdr);
        owned_ramp r;
        const derive_outcome out = derive(base, &r, spec);
        base.ramp.hdr = saved;
        EXPECT_EQ(out.err, c.err) << c.what;
        EXPECT_EQ(out.printed, c.message) << c.what;
        EXPECT_EQ(r.ramp.points, nullptr) << c.what;
        EXPECT_EQ(samples_of(base.ramp), base_samples) << c.what;
    }

    const rr_ramp_cfg_t spec = swli_spec();
    owned_ramp r;
    EXPECT_EQ(rr_derive_ramp(nullptr, &r.ramp, &spec), ERR_INVALID_PARAM);
    EXPECT_EQ(rr_derive_ramp(&base.ramp, nullptr, &spec), ERR_INVALID_PARAM);
    EXPECT_EQ(rr_derive_ramp(&base.ramp, &r.ramp, nullptr), ERR_INVALID_PARAM);
    owned_ramp no_samples;
    EXPECT_EQ(rr_derive_ramp(&no_samples.ramp, &r.ramp, &spec), ERR_INVALID_PARAM);
    // A new ramp that holds samples already is refused and keeps them.
    uint16_t held[1] = {0};
    r.ramp.points = held;
    EXPECT_EQ(rr_derive_ramp(&base.ramp, &r.ramp, &spec), ERR_INVALID_PARAM);
    EXPECT_EQ(r.ramp.points, held);
    r.ramp.points = nullptr;
}

TEST(RampDerive, NoMemoryLeavesNoBorrowedSamples) {
    owned_ramp base;
    small_base(&base);
    const rr_ramp_cfg_t spec = swli_spec();
    owned_ramp r;
    int32_t err = NO_ERROR;
    {
        const failing_allocations no_memory;
        err = rr_derive_ramp(&base.ramp, &r.ramp, &spec);
    }
    EXPECT_EQ(err, ERR_NO_MEM);
    EXPECT_EQ(r.ramp.points, nullptr);  // never the base's block
}

}  // namespace
