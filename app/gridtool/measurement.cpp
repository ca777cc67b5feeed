// Reading a data file of either kind and reporting a failure.
#include "app/gridtool/measurement.h"

#include <cstdio>

#include "platform/console_streams.h"

int32_t measurement::load(const std::string& path, std::string* reason) {
    const int32_t err = df_read_any(path, &kind, &ident, &params, &intens, &phase);
    if (err == ERR_CANT_OPEN_FILE) *reason = plat::read_refusal(path);
    return err;
}

std::string failure_text(const std::string& file, int32_t err, const std::string& reason) {
    std::string text = file + ": " + u_err_name(err);
    if (!reason.empty()) text += " (" + reason + ")";
    return text;
}

void report_failure(const std::string& file, int32_t err, const std::string& reason) {
    std::fprintf(stderr, "gridtool: %s\n", failure_text(file, err, reason).c_str());
}
