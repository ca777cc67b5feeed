// Resampling a ramp to a shorter scan: the centred part of the triggered
// samples that the new scan length covers is stretched over the samples
// from the trigger start on, and the lead-in is scaled to end where that
// part begins.
#include <cmath>
#include <cstdint>

#include "ramps/ramps.h"
#include "ramps/ramp_values.h"

namespace {

// Lead-in: the samples before the trigger start, scaled about the offset so
// that they end at the value of the new start a instead of the old start s.
void scale_lead_in(const uint16_t* v, uint16_t* w, int64_t lead, int64_t s, int64_t a, double o) {
    const double k = (v[s] - o) / (v[a] - o);
    for (int64_t j = 0; j < lead; ++j) {
        if (v[a] - o == 0) {
            // The scale factor's limit: every sample at the offset.
            w[j] = rr_clamp_sample(o);
            continue;
        }
        double scaled = (v[j] - o) / k;
        if (std::isnan(scaled)) scaled = 0;  // k == 0 for a sample at the offset
        w[j] = rr_clamp_sample(std::trunc(scaled) + o);
    }
}

}  // namespace

int32_t rr_rescale_ramp(const rr_ramp_hdr_t* base_hdr, const uint16_t* v, rr_ramp_hdr_t* hdr,
                        uint16_t* w, float scan_len) {
    if (base_hdr == nullptr || v == nullptr || hdr == nullptr || w == nullptr) {
        return ERR_INVALID_PARAM;
    }
    if (!rr_trigger_in_samples(*base_hdr)) return ERR_CORRUPT_RAMP_FILE;
    const int64_t n = base_hdr->nPoints;
    const int64_t s = base_hdr->trigStartAddr;
    const int64_t t = base_hdr->trigEndAddr;
    const int64_t lead = hdr->trigStartAddr;
    if (hdr->nPoints != n || lead < 0 || lead >= n) return ERR_INVALID_PARAM;

    // The new triggered part: the centred fraction c of the old one.
    const float c = scan_len / base_hdr->scanLen;
    if (!(c >= 0 && c <= 1)) return ERR_PARAM_OUT_OF_RANGE;
    const auto span = static_cast<double>(t - s);
    const int64_t a = s + static_cast<int64_t>((1 - static_cast<double>(c)) * span / 2);
    int64_t b = s + static_cast<int64_t>((1 + static_cast<double>(c)) * span / 2);
    if (b > t) b = t;

    const double o = base_hdr->offset;
    scale_lead_in(v, w, lead, s, a, o);

    // The base samples a to b and the N - t after b are stretched by e over
    // the N - s samples from the trigger start on.
    const int64_t steps = b + (n - t) - a;
    if (steps <= 0) return ERR_PARAM_OUT_OF_RANGE;
    const double e = static_cast<double>(n - s) / static_cast<double>(steps);
    const double whole = std::trunc(e);
    const double frac = e - whole;
    const auto per_step = static_cast<int64_t>(whole);

    double f = v[a];
    double sum = 0;
    int64_t p = lead;
    int64_t written = lead;  // samples before this index are written
    for (int64_t i = a; i < a + steps; ++i) {
        // The last step has no sample after it and holds its value.
        const double next = i + 1 < n ? v[i + 1] : v[i];
        const double g = (next - v[i]) / e;
        for (int64_t m = 0; m < per_step; ++m, ++p) {
            if (p < n) {
                w[p] = rr_clamp_sample(f);
                written = p + 1;
            }
            f += g;
        }
        sum += frac;
        if (sum > 1) {
            sum -= 1;
            // A sample between the last one and the next, for the fraction.
            if (p < n && p > 0) {
                w[p] = static_cast<uint16_t>((w[p - 1] + rr_clamp_sample(f)) / 2);
                written = p + 1;
            }
            f += g;
            ++p;
        }
    }
    if (sum > 0.5 && p < n) {
        w[p] = rr_clamp_sample(f);
        written = p + 1;
    }
    // Whatever the rounding of e left unwritten holds the last value.
    for (int64_t q = written; q < n; ++q) w[q] = written > 0 ? w[written - 1] : rr_clamp_sample(o);

    hdr->sampleClkFreq = rr_to_float(hdr->sampleClkFreq * e);
    hdr->scanLen = scan_len;
    return NO_ERROR;
}
