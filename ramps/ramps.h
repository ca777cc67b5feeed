// Scan ramps: the ramp configuration file, ramp data files and the
// operations on single ramps (check against a spec, derivation, resampling,
// the standard file name, the instrument check and the offset crossing).
//
// All messages go through gl_PrintFunc; heap blocks come from and return to
// the allocation hooks (gl_MallocFunc, gl_ReallocFunc, gl_FreeFunc).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "errors/errors.h"
#include "instrument/instrument.h"

// ---- ramp types -------------------------------------------------------------

enum : int32_t {
    RR_RAMP_SWLI = 0,
    RR_RAMP_PMI = 1,  // 1 to 15 are the PMI family
    RR_RAMP_PMI_LAST = 15,
    RR_RAMP_BTW = 17,
};

inline bool rr_is_pmi_type(int32_t type) {
    return type >= RR_RAMP_PMI && type <= RR_RAMP_PMI_LAST;
}

// ---- ramp configuration file ------------------------------------------------

inline constexpr int RR_FILE_NAME_LEN = 80;        // characters of a spec's file name
inline constexpr int RR_CFG_LINE_LEN = 200;        // characters of a line, its line feed included
inline constexpr int RR_CFG_MAX_BAD_LINES = 20;    // rejected lines a read tolerates
inline constexpr int RR_BTW_WAVELEN_MIN = 1;
inline constexpr int RR_BTW_WAVELEN_MAX = 4;

// One ramp spec: one line of the configuration file.
struct rr_ramp_cfg_t {
    int32_t rampType;       // RR_RAMP_SWLI, RR_RAMP_PMI or RR_RAMP_BTW
    int32_t wavelenSelect;  // BTW wavelength index 1 to 4; 0 when none was given
    char fileName[RR_FILE_NAME_LEN + 1];  // ramp data file, or "+..." for a derived ramp
    float scanLen;          // um
    float cameraRate;       // Hz
    int32_t cameraInterlace;
    int32_t grabSkip;       // GrabSkip + 1 is the sampling interval in camera frames
    float fringesPerFrame;
    float rampSlope;        // nm per frame
    float objMag;
    float scanCal;
    int32_t hide;           // 1 hides the ramp from the user
};

// Reads and checks the configuration file at path (narrow). *list must be
// null; on success it receives an array of *count specs that the caller
// releases with gl_FreeFunc. Rejected lines are reported and left out; up to
// 20 of them are tolerated. Returns NO_ERROR, ERR_INVALID_PARAM,
// ERR_CANT_OPEN_FILE, ERR_CORRUPT_RAMP_CFG_FILE (a line over 200
// characters, more than 20 rejected lines, or no acceptable spec) or
// ERR_NO_MEM; on failure nothing is returned in *list.
int32_t rr_read_ramp_cfg(const char* path, rr_ramp_cfg_t** list, int32_t* count);

// Writes the title, the description block and the specs, grouped, with CR LF
// line ends. A value that the column's digits would change is written with
// as many digits as it needs, so that the file reads back to the same specs.
// The file is replaced only once it is written whole. Returns NO_ERROR,
// ERR_INVALID_PARAM (no list, a negative count, or a file name that is empty,
// longer than 80 characters or holds a blank, a tab or a line end: it could
// not be read back), ERR_CANT_OPEN_FILE or ERR_CANT_WRITE_FILE.
int32_t rr_write_ramp_cfg(const char* path, const rr_ramp_cfg_t* list, int32_t count);

// Parses one configuration line into *spec as the reader parses a spec
// line. A rejected line prints its message and hint (each followed by a
// line feed) and gives ERR_INVALID_PARAM; a comment or blank line gives
// ERR_INVALID_PARAM with "Not a ramp spec". For tools that take one spec.
int32_t rr_parse_ramp_spec(const char* line, rr_ramp_cfg_t* spec);

// The title line and the description block (lines joined by line feeds, no
// final one), and the sample spec line, as the writer and the reader show them.
extern const char* const RR_CFG_TITLE;
extern const char* const RR_CFG_DESCRIPTION;
extern const char* const RR_CFG_SAMPLE;

// ---- ramp data file ---------------------------------------------------------

inline constexpr int32_t RR_RAMP_MAGIC = 0x52414D51;  // "RAMQ"
inline constexpr size_t RR_RAMP_HDR_SIZE = 328;
// Words from the start of the header that the file holds big-endian; the
// rest of the header is stored as it is in memory (little-endian).
inline constexpr int RR_RAMP_HDR_BE_WORDS = 42;

// The header of a ramp data file, in file order (byte numbers from 1).
struct rr_ramp_hdr_t {
    int32_t magicNumber;      //   1-  4  RR_RAMP_MAGIC
    int32_t rampType;         //   5-  8
    int32_t pztID;            //   9- 12
    int32_t rampID;           //  13- 16
    int32_t nPoints;          //  17- 20  samples after the header
    int32_t rampUp;           //  21- 24
    int32_t rampStart;        //  25- 28
    int32_t rampLinear;       //  29- 32
    int32_t rampEnd;          //  33- 36
    float sampleClkFreq;      //  37- 40  kHz
    float cameraRate;         //  41- 44  Hz
    int32_t updateRate;       //  45- 48
    int32_t grabSkip;         //  49- 52
    float rampSlope;          //  53- 56  nm per frame
    int32_t trigStartAddr;    //  57- 60  first sample of the triggered part
    int32_t trigEndAddr;      //  61- 64  its end
    int32_t rampGainDflt;     //  65- 68
    float rampTriple[3];      //  69- 80
    float scanLen;            //  81- 84  um
    int32_t polar;            //  85- 88  a character code
    int32_t offset;           //  89- 92  the sample value taken as the ramp's zero
    int32_t nBuckets;         //  93- 96
    float rampLin;            //  97-100
    float rampTrim;           // 101-104
    float cameraPClock;       // 105-108
    int32_t cameraHPeriod;    // 109-112
    int32_t cameraVPeriod;    // 113-116
    int32_t cameraInterlace;  // 117-120
    int32_t rampMux;          // 121-124
    int32_t instrBdType;      // 125-128
    int32_t compGain;         // 129-132
    int32_t compFilter;       // 133-136
    int32_t leakage;          // 137-140
    int32_t adcMin;           // 141-144
    int32_t adcMax;           // 145-148
    int32_t adcFirst;         // 149-152
    int32_t adcMid;           // 153-156
    int32_t adcLast;          // 157-160
    float scanCal;            // 161-164
    uint8_t reserved1[4];     // 165-168  (the last big-endian word)
    float fringesPerFrame;    // 169-172  little-endian from here on
    float objMag;             // 173-176
    int32_t wavelenSelect;    // 177-180  BTW wavelength index
    uint8_t reserved2[4];     // 181-184
    int32_t directionFlag;    // 185-188  nonzero: the triggered part rises through offset
    uint8_t reserved3[8];     // 189-196
    uint8_t spare[132];       // 197-328
};

inline constexpr int RR_RAMP_NAME_LEN = RR_FILE_NAME_LEN + 1;  // "+" and a base name

// A ramp in memory: its name, header and samples, and the registry's state
// for it, which the operations here carry along without reading it.
struct rr_ramp_t {
    char name[RR_RAMP_NAME_LEN + 1];  // spec file name, or "+" and the base ramp's name
    rr_ramp_hdr_t hdr;
    uint16_t* points;  // hdr.nPoints samples, owned by the record
    uint8_t instrSlot;  // instrument slot that holds the ramp, 255 for none
    int32_t durationMs;
    int32_t direction;  // 1 or 2
    double sortKey;
    double offsetPos;
    int32_t gainDflt;
    double timeToOffset;
    int32_t hide;
};

inline constexpr uint8_t RR_NO_INSTR_SLOT = 255;

// Clears a ramp record: no name, no samples, held in no instrument slot.
void rr_init_ramp(rr_ramp_t* ramp);
// Releases the ramp's samples and leaves it without any.
void rr_release_ramp(rr_ramp_t* ramp);

// Converts the header between memory and file order, in place, both ways:
// the first 42 words are reversed, the rest is left as it is.
void rr_swap_ramp_hdr(rr_ramp_hdr_t* hdr);

// Writes the header (with the magic number) and hdr->nPoints samples, both
// big-endian, to path (narrow); hdr and points are not changed. The file is
// replaced only once it is written whole. Returns NO_ERROR,
// ERR_INVALID_PARAM (no header or samples, or a negative nPoints),
// ERR_NO_MEM, ERR_CANT_CREATE_FILE or ERR_CANT_WRITE_FILE.
int32_t rr_write_ramp_file(const char* path, const rr_ramp_hdr_t* hdr, const uint16_t* points);

// Reads a ramp data file. hdr receives the header (cleared first, and
// holding what was read even after a failure). When points is given, the
// samples it holds are released and it receives hdr->nPoints samples, which
// the caller releases with gl_FreeFunc; without it only the header is read.
// Returns NO_ERROR, ERR_INVALID_PARAM, ERR_CANT_OPEN_FILE, ERR_PREMATURE_EOF,
// ERR_NOT_A_RAMP_FILE, ERR_CORRUPT_RAMP_FILE (a negative nPoints, or more
// samples than the file holds) or ERR_NO_MEM; on failure *points is null.
int32_t rr_read_ramp_file(const char* path, rr_ramp_hdr_t* hdr, uint16_t** points);

// Prints every named header field as "# first-last  name = value", then
// the samples when given: one per line, or ten to a line after a first line
// of one. Numbers are written the same whatever the C locale.
void rr_print_ramp_hdr(FILE* stream, const rr_ramp_hdr_t* hdr, const uint16_t* points,
                       int one_per_line);

// Checks a loaded ramp against the configuration entry it was loaded for (type, camera
// rate within 0.1, interlace, grab skip, fringes per frame and, except for
// PMI ramps, scan length and ramp slope). NO_ERROR, or ERR_INVALID_PARAM
// after the message of the first mismatch.
int32_t rr_check_ramp_cfg(const rr_ramp_cfg_t* cfg, const rr_ramp_t* ramp);

// Derives a SWLI or BTW ramp for spec from the SWLI ramp base: a copy of
// base with its own samples (resampled to a shorter scan length), the
// spec's acquisition values and a sample clock scaled to the new scan speed.
// *ramp must hold no samples. Returns NO_ERROR, ERR_INVALID_PARAM,
// ERR_PARAM_OUT_OF_RANGE, ERR_CORRUPT_RAMP_FILE (the base's trigger
// addresses do not lie within its samples) or ERR_NO_MEM; after a failure
// ramp holds no samples.
int32_t rr_derive_ramp(const rr_ramp_t* base, rr_ramp_t* ramp, const rr_ramp_cfg_t* spec);

// Fills the new samples (as many as the base has) with the base ramp's
// centred triggered part cut to scan_len, stretched over the old length,
// and scales the new sample clock to match. Returns NO_ERROR,
// ERR_INVALID_PARAM (missing arguments, sample counts that differ, a new
// trigger start outside the samples), ERR_CORRUPT_RAMP_FILE (base trigger
// addresses outside the samples) or ERR_PARAM_OUT_OF_RANGE (a scan length
// that is not a fraction 0 to 1 of the base's, or nothing to stretch over).
int32_t rr_rescale_ramp(const rr_ramp_hdr_t* base_hdr, const uint16_t* base_points,
                        rr_ramp_hdr_t* hdr, uint16_t* points, float scan_len);

// ---- single-ramp operations of the registry ---------------------------------

// True when a ramp made for board type ramp_board runs on an instrument
// whose board is board_type: 0, 1 or 8 on a CAN board, else 0 or the same.
bool rr_ramp_fits_board(int32_t ramp_board, int32_t board_type);

// Checks a loaded ramp against the instrument (board type and scanner
// serial numbers, -1 for a scanner it lacks), takes the scanner's serial
// number into pztID and completes a zero fringesPerFrame. Returns NO_ERROR,
// ERR_WRONG_INSTR_BOARD, ERR_INVALID_PARAM or ERR_CORRUPT_RAMP_FILE, each
// after its message.
int32_t rr_check_ramp_instr(rr_ramp_hdr_t* hdr, const char* file_name, int32_t board_type,
                            int32_t pifoc_sn, int32_t pzt_sn);

// Seconds from the start of the triggered part, counted from the first
// camera frame in it, until the samples cross the ramp's offset, for samples
// played at rate_khz; stored in ramp->timeToOffset. Returns NO_ERROR,
// ERR_NO_RAMP_INFO (no samples), ERR_INVALID_PARAM (a PMI ramp) or
// ERR_CORRUPT_RAMP_FILE (trigger addresses outside the samples, or no
// crossing after the first sample).
int32_t rr_calc_time_til_offset_crossing(rr_ramp_t* ramp, double rate_khz);

// The standard file name of a ramp, in a buffer owned by the calling thread
// that the next call overwrites: "d<scan>s<slope>c<rate>.<polar><pztID>" for
// SWLI, with "m<mag>" after the rate for BTW, "p<buckets>c<rate>.<q|p><pztID>"
// for PMI. Returns NO_ERROR, or ERR_INVALID_PARAM with *name empty after a
// message (an unsupported type, a value that does not fit an integer, a
// polar byte that cannot stand in a file name: NUL, a control character, "/"
// or "\\").
int32_t rr_get_std_ramp_filename(const rr_ramp_hdr_t* hdr, const char** name);

// ---- the ramp registry ------------------------------------------------------
//
// The ramp table of an instrument record (sys_info::ramps): loaded from the
// ramp configuration file in the ramps directory, or from every ramp data
// file there made for the instrument's scanners, and reconciled with the
// ramps the instrument board holds in its slots.

// Set (to anything) in the environment: ramps the board already holds stay
// there when the new table still has them.
inline constexpr const char* RR_KEEP_RAMPS_ENV = "KEEP_RAMPS_LOADED_IN_INSTR";
// Room for the message of rr_make_extprofile_ramp and rr_ramp_matches.
inline constexpr size_t RR_MSG_SIZE = 256;

// Builds the instrument's ramp table: releases the old
// one, loads the ramps, works out their timing values, orders them, prints
// a summary and empties or keeps the board's ramp slots. Returns NO_ERROR,
// or after "rr_get_ramp_info: <code>" ERR_SYS_INFO_NOT_AVAIL,
// ERR_WRONG_SYSTEM_TYPE, ERR_NO_RAMP_INFO (no ramps directory, no usable
// ramp), the errors of rr_read_ramp_cfg and rr_calc_time_til_offset_crossing,
// ERR_NO_MEM, or the error of a slot deletion (the new table stays).
int32_t rr_get_ramp_info(sys_info* info);

// Releases the record's ramp table and every ramp's samples; no table after.
void rr_release_ramp_table(sys_info* info);

// Makes the ramp for an external profile spec ("...extprofile<index>.<polar>
// <direction>..."): no samples, a header from the spec's values. msg (null,
// or RR_MSG_SIZE bytes) receives the reason of a refusal. True when made.
bool rr_make_extprofile_ramp(const sys_info* info, const rr_ramp_cfg_t* spec, rr_ramp_t* ramp,
                             char* msg);

// True when the table ramp at index fits the wanted values: the type (a
// wanted 1 takes the whole PMI family), nBuckets, scan length (within 1) and
// camera rate (within 0.1) when wanted above 0, ramp mux and grab skip when
// wanted 0 or more, and the instrument's board. Otherwise msg (null, or
// RR_MSG_SIZE bytes) receives the first test that failed.
bool rr_ramp_matches(const sys_info* info, int32_t index, int32_t ramp_type, int32_t n_buckets,
                     float scan_len, int32_t ramp_mux, float camera_rate, int32_t grab_skip,
                     char* msg);

// Index of the first ramp of the table that fits, or -1.
int32_t rr_find_ramp(const sys_info* info, int32_t ramp_type, int32_t n_buckets, float scan_len,
                     int32_t ramp_mux, float camera_rate, int32_t grab_skip);

// Gives the ramp at index the smallest ramp ID 0 to 254 that no other ramp
// of the table holds. ERR_NO_RAMP_INFO (no table), ERR_INVALID_RAMP_INDEX,
// or ERR_PARAM_OUT_OF_RANGE after a message when every ID is taken.
int32_t rr_assign_ramp_id(sys_info* info, int32_t index);

// The number of ramp slots of the instrument's board: 12 on UZ1 and FTP
// boards, 4 on UZ2, NIF and non-serial boards, on CAN boards 4 or what the
// digital piezo scanner reports (0 to 254). 0 after a message for other
// board types.
int32_t rr_get_max_num_instr_ramps(const sys_info* info);

// Asks the board for the ramp ID in each of its slots; ids receives them,
// SYS_EMPTY_RAMP_SLOT for an empty slot and for the slots beyond the
// board's. ERR_INVALID_PARAM, ERR_WRONG_INSTR_BOARD (not a board of the
// link) or the link's error (ids all empty then).
int32_t uz_ramp_request(sys_info* info, uint8_t ids[SYS_INSTR_RAMP_SLOTS]);

// Empties one ramp slot of the board. ERR_INVALID_PARAM for a slot the
// board does not have (rr_get_max_num_instr_ramps), ERR_WRONG_INSTR_BOARD,
// or the link's error.
int32_t rr_ramp_delete(sys_info* info, int32_t slot);
