// The text dump of a ramp, exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ramps/ramps.h"
#include "support/temp_file.h"

namespace {

std::string dump(const rr_ramp_hdr_t& hdr, const uint16_t* points, int one_per_line) {
    temp_file file("dump.txt");
    FILE* out = std::fopen(file.c_str(), "wb");
    rr_print_ramp_hdr(out, &hdr, points, one_per_line);
    std::fclose(out);
    return file.read();
}

rr_ramp_hdr_t header() {
    rr_ramp_hdr_t h{};
    h.magicNumber = RR_RAMP_MAGIC;
    h.rampType = 17;
    h.pztID = 12345;
    h.rampID = 3;
    h.nPoints = 12;
    h.rampUp = 1;
    h.rampStart = 2;
    h.rampLinear = 3;
    h.rampEnd = 4;
    h.sampleClkFreq = 5;
    h.cameraRate = 29.97f;
    h.updateRate = 64736;
    h.grabSkip = 1;
    h.rampSlope = 81;
    h.trigStartAddr = 2;
    h.trigEndAddr = 10;
    h.rampGainDflt = -7;
    h.rampTriple[0] = 0.5f;
    h.rampTriple[1] = -1.25f;
    h.rampTriple[2] = 1e-5f;
    h.scanLen = 10.2f;
    h.polar = 'b';
    h.offset = 32768;
    h.nBuckets = 13;
    h.rampLin = 1234567;
    h.rampTrim = 0;
    h.cameraPClock = 14.318f;
    h.cameraHPeriod = 910;
    h.cameraVPeriod = 525;
    h.cameraInterlace = 1;
    h.rampMux = 0;
    h.instrBdType = 3;
    h.compGain = 1;
    h.compFilter = 2;
    h.leakage = 3;
    h.adcMin = 100;
    h.adcMax = 4000;
    h.adcFirst = 200;
    h.adcMid = 2048;
    h.adcLast = 3900;
    h.scanCal = 1;
    h.fringesPerFrame = 0.25f;
    h.objMag = 20;
    h.wavelenSelect = 2;
    h.directionFlag = 1;  // reserved words are not printed
    return h;
}

const std::string kHeaderText =
    "#   1-  4  magicNumber        = 1380011345\n"
    "#   5-  8  rampType           = 17\n"
    "#   9- 12  pztID              = 12345\n"
    "#  13- 16  rampID             = 3\n"
    "#  17- 20  nPoints            = 12\n"
    "#  21- 24  rampUp             = 1\n"
    "#  25- 28  rampStart          = 2\n"
    "#  29- 32  rampLinear         = 3\n"
    "#  33- 36  rampEnd            = 4\n"
    "#  37- 40  sampleClkFreq      = 5\n"
    "#  41- 44  cameraRate         = 29.97\n"
    "#  45- 48  updateRate         = 64736\n"
    "#  49- 52  grabSkip           = 1\n"
    "#  53- 56  rampSlope          = 81\n"
    "#  57- 60  trigStartAddr      = 2\n"
    "#  61- 64  trigEndAddr        = 10\n"
    "#  65- 68  rampGainDflt       = -7\n"
    "#  69- 72  rampTriple[0]      = 0.5\n"
    "#  73- 76  rampTriple[1]      = -1.25\n"
    "#  77- 80  rampTriple[2]      = 1e-05\n"
    "#  81- 84  scanLen            = 10.2\n"
    "#  85- 88  polar              = b\n"
    "#  89- 92  offset             = 32768\n"
    "#  93- 96  nBuckets           = 13\n"
    "#  97-100  rampLin            = 1.23457e+06\n"
    "# 101-104  rampTrim           = 0\n"
    "# 105-108  cameraPClock       = 14.318\n"
    "# 109-112  cameraHPeriod      = 910\n"
    "# 113-116  cameraVPeriod      = 525\n"
    "# 117-120  cameraInterlace    = 1\n"
    "# 121-124  rampMux            = 0\n"
    "# 125-128  instrBdType        = 3\n"
    "# 129-132  compGain           = 1\n"
    "# 133-136  compFilter         = 2\n"
    "# 137-140  leakage            = 3\n"
    "# 141-144  adcMin             = 100\n"
    "# 145-148  adcMax             = 4000\n"
    "# 149-152  adcFirst           = 200\n"
    "# 153-156  adcMid             = 2048\n"
    "# 157-160  adcLast            = 3900\n"
    "# 161-164  scanCal            = 1\n"
    "# 169-172  fringesPerFrame    = 0.25\n"
    "# 173-176  objMag             = 20\n"
    "# 177-180  wavelenSelect      = 2\n"
    "# 197-328  spare             \n"
    "# sizeof rr_ramp_hdr_t = 328\n";

const std::vector<uint16_t> kSamples = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 65535};

TEST(RampDump, HeaderAlone) {
    EXPECT_EQ(dump(header(), nullptr, 0), kHeaderText);
}

TEST(RampDump, SamplesTenToALineAfterAFirstLineOfOne) {
    EXPECT_EQ(dump(header(), kSamples.data(), 0),
              kHeaderText +
                  "0  \n"
                  "1  2  3  4  5  6  7  8  9  10  \n"
                  "65535  \n");
}

TEST(RampDump, SamplesOnePerLine) {
    EXPECT_EQ(dump(header(), kSamples.data(), 1),
              kHeaderText + "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n65535\n");
}

}  // namespace
