// The text dump of a ramp: one line per named header field with its byte
// positions, then the samples.
#include <cstddef>
#include <cstring>

#include "ramps/number_text.h"
#include "ramps/ramps.h"

namespace {

enum class kind { integer, real, character };

struct named_field {
    size_t offset;
    const char* name;
    kind type;
};

#define RR_FIELD(member, type) {offsetof(rr_ramp_hdr_t, member), #member, kind::type}
constexpr named_field kFields[] = {
    RR_FIELD(magicNumber, integer),
    RR_FIELD(rampType, integer),
    RR_FIELD(pztID, integer),
    RR_FIELD(rampID, integer),
    RR_FIELD(nPoints, integer),
    RR_FIELD(rampUp, integer),
    RR_FIELD(rampStart, integer),
    RR_FIELD(rampLinear, integer),
    RR_FIELD(rampEnd, integer),
    RR_FIELD(sampleClkFreq, real),
    RR_FIELD(cameraRate, real),
    RR_FIELD(updateRate, integer),
    RR_FIELD(grabSkip, integer),
    RR_FIELD(rampSlope, real),
    RR_FIELD(trigStartAddr, integer),
    RR_FIELD(trigEndAddr, integer),
    RR_FIELD(rampGainDflt, integer),
    {offsetof(rr_ramp_hdr_t, rampTriple), "rampTriple[0]", kind::real},
    {offsetof(rr_ramp_hdr_t, rampTriple) + 4, "rampTriple[1]", kind::real},
    {offsetof(rr_ramp_hdr_t, rampTriple) + 8, "rampTriple[2]", kind::real},
    RR_FIELD(scanLen, real),
    RR_FIELD(polar, character),
    RR_FIELD(offset, integer),
    RR_FIELD(nBuckets, integer),
    RR_FIELD(rampLin, real),
    RR_FIELD(rampTrim, real),
    RR_FIELD(cameraPClock, real),
    RR_FIELD(cameraHPeriod, integer),
    RR_FIELD(cameraVPeriod, integer),
    RR_FIELD(cameraInterlace, integer),
    RR_FIELD(rampMux, integer),
    RR_FIELD(instrBdType, integer),
    RR_FIELD(compGain, integer),
    RR_FIELD(compFilter, integer),
    RR_FIELD(leakage, integer),
    RR_FIELD(adcMin, integer),
    RR_FIELD(adcMax, integer),
    RR_FIELD(adcFirst, integer),
    RR_FIELD(adcMid, integer),
    RR_FIELD(adcLast, integer),
    RR_FIELD(scanCal, real),
    RR_FIELD(fringesPerFrame, real),
    RR_FIELD(objMag, real),
    RR_FIELD(wavelenSelect, integer),
};
#undef RR_FIELD

void print_field(FILE* stream, const rr_ramp_hdr_t* hdr, const named_field& f) {
    const auto* base = reinterpret_cast<const unsigned char*>(hdr) + f.offset;
    const int first = static_cast<int>(f.offset) + 1;
    const int last = first + 3;
    if (f.type == kind::real) {
        float value = 0;
        std::memcpy(&value, base, sizeof value);
        std::fprintf(stream, "# %3d-%3d  %-18s = %s\n", first, last, f.name,
                     rr_text::general(value).c_str());
        return;
    }
    int32_t value = 0;
    std::memcpy(&value, base, sizeof value);
    if (f.type == kind::character) {
        std::fprintf(stream, "# %3d-%3d  %-18s = %c\n", first, last, f.name,
                     static_cast<unsigned char>(value));
    } else {
        std::fprintf(stream, "# %3d-%3d  %-18s = %d\n", first, last, f.name, value);
    }
}

}  // namespace

void rr_print_ramp_hdr(FILE* stream, const rr_ramp_hdr_t* hdr, const uint16_t* points,
                       int one_per_line) {
    if (stream == nullptr || hdr == nullptr) return;
    for (const named_field& f : kFields) print_field(stream, hdr, f);
    std::fprintf(stream, "# %3d-%3d  %-18s\n", 197, 328, "spare");
    std::fprintf(stream, "# sizeof rr_ramp_hdr_t = %d\n", static_cast<int>(sizeof *hdr));
    if (points == nullptr) return;
    for (int32_t i = 0; i < hdr->nPoints; ++i) {
        if (one_per_line != 0) {
            std::fprintf(stream, "%u\n", static_cast<unsigned>(points[i]));
        } else {
            std::fprintf(stream, "%u  ", static_cast<unsigned>(points[i]));
            if (i % 10 == 0) std::fputc('\n', stream);
        }
    }
    if (one_per_line == 0) std::fputc('\n', stream);
}
