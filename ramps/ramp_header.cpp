// The ramp data file header: its layout, proven against the file's byte
// positions, and its conversion between memory and file order.
#include <bit>
#include <cstddef>
#include <cstring>

#include "ramps/ramps.h"
#include "util/util.h"

// The tail of the header is stored as memory holds it, which the file
// defines as little-endian.
static_assert(std::endian::native == std::endian::little,
              "the ramp header's tail is little-endian in the file and in memory");

static_assert(sizeof(rr_ramp_hdr_t) == RR_RAMP_HDR_SIZE);
static_assert(sizeof(float) == 4 && sizeof(int32_t) == 4);
static_assert(offsetof(rr_ramp_hdr_t, magicNumber) == 0);
static_assert(offsetof(rr_ramp_hdr_t, rampType) == 4);
static_assert(offsetof(rr_ramp_hdr_t, pztID) == 8);
static_assert(offsetof(rr_ramp_hdr_t, rampID) == 12);
static_assert(offsetof(rr_ramp_hdr_t, nPoints) == 16);
static_assert(offsetof(rr_ramp_hdr_t, rampUp) == 20);
static_assert(offsetof(rr_ramp_hdr_t, rampStart) == 24);
static_assert(offsetof(rr_ramp_hdr_t, rampLinear) == 28);
static_assert(offsetof(rr_ramp_hdr_t, rampEnd) == 32);
static_assert(offsetof(rr_ramp_hdr_t, sampleClkFreq) == 36);
static_assert(offsetof(rr_ramp_hdr_t, cameraRate) == 40);
static_assert(offsetof(rr_ramp_hdr_t, updateRate) == 44);
static_assert(offsetof(rr_ramp_hdr_t, grabSkip) == 48);
static_assert(offsetof(rr_ramp_hdr_t, rampSlope) == 52);
static_assert(offsetof(rr_ramp_hdr_t, trigStartAddr) == 56);
static_assert(offsetof(rr_ramp_hdr_t, trigEndAddr) == 60);
static_assert(offsetof(rr_ramp_hdr_t, rampGainDflt) == 64);
static_assert(offsetof(rr_ramp_hdr_t, rampTriple) == 68);
static_assert(offsetof(rr_ramp_hdr_t, scanLen) == 80);
static_assert(offsetof(rr_ramp_hdr_t, polar) == 84);
static_assert(offsetof(rr_ramp_hdr_t, offset) == 88);
static_assert(offsetof(rr_ramp_hdr_t, nBuckets) == 92);
static_assert(offsetof(rr_ramp_hdr_t, rampLin) == 96);
static_assert(offsetof(rr_ramp_hdr_t, rampTrim) == 100);
static_assert(offsetof(rr_ramp_hdr_t, cameraPClock) == 104);
static_assert(offsetof(rr_ramp_hdr_t, cameraHPeriod) == 108);
static_assert(offsetof(rr_ramp_hdr_t, cameraVPeriod) == 112);
static_assert(offsetof(rr_ramp_hdr_t, cameraInterlace) == 116);
static_assert(offsetof(rr_ramp_hdr_t, rampMux) == 120);
static_assert(offsetof(rr_ramp_hdr_t, instrBdType) == 124);
static_assert(offsetof(rr_ramp_hdr_t, compGain) == 128);
static_assert(offsetof(rr_ramp_hdr_t, compFilter) == 132);
static_assert(offsetof(rr_ramp_hdr_t, leakage) == 136);
static_assert(offsetof(rr_ramp_hdr_t, adcMin) == 140);
static_assert(offsetof(rr_ramp_hdr_t, adcMax) == 144);
static_assert(offsetof(rr_ramp_hdr_t, adcFirst) == 148);
static_assert(offsetof(rr_ramp_hdr_t, adcMid) == 152);
static_assert(offsetof(rr_ramp_hdr_t, adcLast) == 156);
static_assert(offsetof(rr_ramp_hdr_t, scanCal) == 160);
static_assert(offsetof(rr_ramp_hdr_t, reserved1) == 164);
static_assert(offsetof(rr_ramp_hdr_t, fringesPerFrame) == 168);
static_assert(offsetof(rr_ramp_hdr_t, objMag) == 172);
static_assert(offsetof(rr_ramp_hdr_t, wavelenSelect) == 176);
static_assert(offsetof(rr_ramp_hdr_t, reserved2) == 180);
static_assert(offsetof(rr_ramp_hdr_t, directionFlag) == 184);
static_assert(offsetof(rr_ramp_hdr_t, reserved3) == 188);
static_assert(offsetof(rr_ramp_hdr_t, spare) == 196);
static_assert(offsetof(rr_ramp_hdr_t, fringesPerFrame) == RR_RAMP_HDR_BE_WORDS * 4);

void rr_swap_ramp_hdr(rr_ramp_hdr_t* hdr) {
    if (hdr == nullptr) return;
    auto* bytes = reinterpret_cast<unsigned char*>(hdr);
    for (int word = 0; word < RR_RAMP_HDR_BE_WORDS; ++word) u_swap_bytes(bytes + 4 * word, 4);
}

void rr_init_ramp(rr_ramp_t* ramp) {
    if (ramp == nullptr) return;
    std::memset(ramp, 0, sizeof *ramp);
    ramp->instrSlot = RR_NO_INSTR_SLOT;
}

void rr_release_ramp(rr_ramp_t* ramp) {
    if (ramp == nullptr) return;
    gl_FreeFunc(ramp->points);
    ramp->points = nullptr;
}
