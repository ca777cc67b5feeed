// The steps of instrument-measure. Read instrument_demo's steps first: this
// file starts where they leave off, with the instrument switched on and its
// ramp table loaded.
#include "measure_session.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include "acquisition/acquisition.h"
#include "analysis/analysis.h"
#include "errors/errors.h"
#include "ramps/ramps.h"
#include "scan/scan.h"
#include "util/util.h"

namespace {

const char* ramp_type_name(int32_t type) {
    if (type == RR_RAMP_SWLI) return "SWLI";
    if (type == RR_RAMP_BTW) return "BTW";
    return "PMI";
}

const rr_ramp_t& ramp_of(const demo_session& session, const measurement& m) {
    return session.info->ramps.rampTable[m.ramp_index];
}

// A text field holds at most N - 1 characters and ends in NUL bytes.
template <size_t N>
void set_text(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

}  // namespace

int32_t measure_switch_on_camera(demo_session& session, const measure_options& options) {
    // acq_mgrinit reads the calibration file into the record itself, so it
    // runs before anything is switched on: the record's handles stay.
    const int32_t code = acq_mgrinit(options.demo.system, 0, options.demo.cal_file);
    if (code != NO_ERROR) return demo_failed(session.out, "switch on camera", code);
    const sys_acq_info& acq = session.info->acq;
    demo_say(session.out, "switch on camera: ok (%d %s)", acq.numModes, acq.numModes == 1 ? "mode" : "modes");
    return NO_ERROR;
}

int32_t measure_find_ramp(demo_session& session, const measure_options& options, measurement* m) {
    // Any mux, camera rate and grab skip: -1 and 0 ask for no particular one.
    m->ramp_index = rr_find_ramp(session.info, options.ramp_type, options.n_buckets,
                                 options.scan_len, -1, 0, -1);
    if (m->ramp_index < 0) return demo_failed(session.out, "find ramp", ERR_NO_RAMP_INFO);
    const rr_ramp_t& ramp = ramp_of(session, *m);
    demo_say(session.out, "find ramp: ok (%s, %s, %d frames, %g um)", ramp.name, ramp_type_name(ramp.hdr.rampType),
        ramp.hdr.nBuckets, static_cast<double>(ramp.hdr.scanLen));
    return NO_ERROR;
}

int32_t measure_grab(demo_session& session, measurement* m) {
    // The samples go to the instrument first, so that the start is quick.
    int32_t code = scan_load_ramp(session.info, m->ramp_index);
    if (code != NO_ERROR) return demo_failed(session.out, "load ramp into instrument", code);
    m->ramp_loaded = true;
    demo_say(session.out, "load ramp into instrument: ok (slot %d)", ramp_of(session, *m).instrSlot);

    // The camera opens and waits; the scan starts; every frame the ramp
    // triggers is read into a matrix the library allocates.
    scan_start_request start{session.info, m->ramp_index};
    code = acq_grab_ramp(session.info, m->ramp_index, scan_start_hook, &start, &m->frames);
    if (code != NO_ERROR) return demo_failed(session.out, "scan and grab", code);
    const matrix_window& w = m->frames.window;
    demo_say(session.out, "scan and grab: ok (%d frames of %d x %d)", m->frames.n_buckets, w.width, w.height);
    return NO_ERROR;
}

int32_t measure_compute(demo_session& session, const measure_options& options, measurement* m) {
    const rr_ramp_hdr_t& hdr = ramp_of(session, *m).hdr;
    const sys_light_info& light = session.info->light;
    const bool pmi = rr_is_pmi_type(hdr.rampType);
    const double wavelength = pmi ? light.pmiWavelength : light.broadbandWavelength;
    an_options how{};
    int32_t code = an_options_from_ramp(hdr.rampType, hdr.nBuckets, hdr.fringesPerFrame, hdr.rampSlope,
                                        wavelength, AN_DEFAULT_MIN_CONTRAST, &how);
    how.threads = options.threads;
    if (code == NO_ERROR) code = an_surface(&how, &m->frames, &m->heights);
    if (code != NO_ERROR) return demo_failed(session.out, "compute surface", code);
    phase_stats stats{};
    if (phase_matrix_stats(&m->heights, nullptr, &stats) != NO_ERROR) stats = {};
    demo_say(session.out, "compute surface: ok (%s, %d valid points, peak to valley %.1f nm)",
        pmi ? "phase shifting" : "coherence peak", stats.count, stats.pv / 1000.0);
    return NO_ERROR;
}

int32_t measure_save(demo_session& session, const measure_options& options, const measurement& m) {
    const char* step = "save measurement";
    const rr_ramp_t& ramp = ramp_of(session, m);
    data_file_ident ident{};
    set_text(ident.ident_text, "instrument-measure");
    static data_file_params params;  // large: kept off the stack
    params = {};
    set_text(params.text_80,
             std::string(ramp_type_name(ramp.hdr.rampType)) + " ramp " + ramp.name + "; heights in pm");
    const int32_t code = df_write_binary(options.out, options.format, &ident, &params, &m.frames, &m.heights);
    if (code != NO_ERROR) return demo_failed(session.out, step, code);
    demo_say(session.out, "%s: ok (%s, format %d)", step, options.out, options.format);
    return NO_ERROR;
}

int32_t measure_switch_off(demo_session& session, measurement* m) {
    sys_info* info = session.info;
    int32_t first = NO_ERROR;
    // A scan cut short by a failure may still run: stop it before the
    // board's line closes.
    if (m->ramp_loaded) first = scan_stop_ramp(info);
    acq_mgrclose(info);
    intens_matrix_free(&m->frames);
    phase_matrix_free(&m->heights);
    const int32_t off = demo_switch_off(session);
    return first != NO_ERROR ? first : off;
}

int32_t measure_run(const measure_options& options, std::FILE* out) {
    demo_session session{out, &gl_SysInfo[options.demo.system], options.demo.stop};
    measurement m;
    int32_t code = demo_read_calibration(session, options.demo.cal_file, options.demo.system);
    if (code == NO_ERROR) code = measure_switch_on_camera(session, options);
    if (code == NO_ERROR) code = demo_switch_on(session);
    if (code == NO_ERROR) code = demo_load_ramps(session);
    if (code == NO_ERROR) code = measure_find_ramp(session, options, &m);
    if (code == NO_ERROR) code = measure_grab(session, &m);
    if (code == NO_ERROR) code = measure_compute(session, options, &m);
    if (code == NO_ERROR) code = measure_save(session, options, m);
    const int32_t off = measure_switch_off(session, &m);
    return code != NO_ERROR ? code : off;
}
