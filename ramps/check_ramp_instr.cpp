// Whether a loaded ramp suits the instrument: its board type, the scanner
// its type needs, the scanner's serial number, and its fringes per frame.
#include <cmath>

#include "instrument/instrument.h"
#include "ramps/number_text.h"
#include "ramps/ramps.h"

namespace {

// fringesPerFrame of a PMI-family ramp: free above 13 buckets; otherwise
// 0.25 for 5 or 7 buckets and 0.125 for 11 or 13, a zero taking that value.
bool complete_pmi_fringes(rr_ramp_hdr_t* hdr) {
    if (hdr->nBuckets > 13) return true;
    float expected = 0;
    if (hdr->nBuckets == 5 || hdr->nBuckets == 7) {
        expected = 0.25f;
    } else if (hdr->nBuckets == 11 || hdr->nBuckets == 13) {
        expected = 0.125f;
    } else {
        return false;
    }
    if (hdr->fringesPerFrame == 0) hdr->fringesPerFrame = expected;
    return hdr->fringesPerFrame == expected;
}

// fringesPerFrame of a SWLI or BTW ramp: an odd multiple of 0.25; a zero
// is completed from the ramp slopes that go with 0.25, 0.75, 1.25 and 1.75.
bool complete_scan_fringes(rr_ramp_hdr_t* hdr) {
    if (hdr->fringesPerFrame == 0) {
        constexpr struct {
            float slope;
            float fringes;
        } kBySlope[] = {{81, 0.25f}, {243, 0.75f}, {405, 1.25f}, {567, 1.75f}};
        for (const auto& known : kBySlope) {
            if (hdr->rampSlope == known.slope) {
                hdr->fringesPerFrame = known.fringes;
                return true;
            }
        }
        return false;
    }
    const double quarters = static_cast<double>(hdr->fringesPerFrame) * 4;
    return quarters == std::trunc(quarters) && std::fabs(std::fmod(quarters, 2)) == 1;
}

}  // namespace

bool rr_ramp_fits_board(int32_t ramp_board, int32_t board_type) {
    if (board_type == INSTR_BD_CAN) {
        return ramp_board == INSTR_BD_NONE || ramp_board == INSTR_BD_UZ1 ||
               ramp_board == INSTR_BD_CAN;
    }
    return ramp_board == INSTR_BD_NONE || ramp_board == board_type;
}

int32_t rr_check_ramp_instr(rr_ramp_hdr_t* hdr, const char* file_name, int32_t board_type,
                            int32_t pifoc_sn, int32_t pzt_sn) {
    if (hdr == nullptr) return ERR_INVALID_PARAM;
    if (file_name == nullptr) file_name = "";
    if (!rr_ramp_fits_board(hdr->instrBdType, board_type)) {
        gl_PrintFunc("Error: ramp data file %s is not compatible with this instrument\n",
                     file_name);
        return ERR_WRONG_INSTR_BOARD;
    }
    const bool pmi = rr_is_pmi_type(hdr->rampType);
    if (pmi && pzt_sn == -1) {
        gl_PrintFunc("Error: ramp data file \"%s\" can only be used with a PZT\n", file_name);
        return ERR_INVALID_PARAM;
    }
    if (!pmi && hdr->rampType != RR_RAMP_SWLI && hdr->rampType != RR_RAMP_BTW) {
        gl_PrintFunc("Error: ramp data file \"%s\" is of unknown type %d\n", file_name,
                     hdr->rampType);
        return ERR_CORRUPT_RAMP_FILE;
    }
    if (!pmi && pifoc_sn == -1) {
        gl_PrintFunc("Error: ramp data file \"%s\" can only be used with a PIFOC\n", file_name);
        return ERR_INVALID_PARAM;
    }
    const int32_t scanner_sn = pmi ? pzt_sn : pifoc_sn;
    if (hdr->pztID != scanner_sn) {
        gl_PrintFunc("Warning: ramp data file \"%s\" was generated for a different %s\n", file_name,
                     pmi ? "PZT" : "PIFOC");
        gl_PrintFunc("Changing ramp S/N from %d to %d\n", hdr->pztID, scanner_sn);
        hdr->pztID = scanner_sn;
    }
    const float read_fringes = hdr->fringesPerFrame;
    if (!(pmi ? complete_pmi_fringes(hdr) : complete_scan_fringes(hdr))) {
        gl_PrintFunc("Error: invalid fringesPerFrame %s in ramp data file \"%s\"\n",
                     rr_text::general(read_fringes).c_str(), file_name);
        return ERR_INVALID_PARAM;
    }
    return NO_ERROR;
}
