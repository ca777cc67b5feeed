// Fuzz target: the system calibration file reader on arbitrary text.
//
// A file the reader refuses leaves the record byte for byte as it was. A
// record the reader fills must be written, and the written file must read
// back with the same configuration (every keyword's value and the kept
// unknown lines); written once more it gives the same bytes: the file is a
// fixed point after one reading.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "instrument/cal_keywords.h"
#include "instrument/instrument.h"

namespace {

std::string read_whole(const std::string& path) {
    std::string text;
    FILE* const file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) fuzz::fail("cannot read a written file back", 0, 0);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
    std::fclose(file);
    return text;
}

// The records are large: kept out of the stack frame.
sys_info g_read;
sys_info g_before;
sys_info g_back;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silence_library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input_path = fuzz::scratch_path("input.cal");
    static const std::string written_path = fuzz::scratch_path("written.cal");
    static const std::string again_path = fuzz::scratch_path("again.cal");
    fuzz::write_file(input_path, data, size);

    sys_info_clear(&g_read);
    g_read.board.line.portHandle = 5;  // a record in use: its handle must stay
    std::memcpy(&g_before, &g_read, sizeof g_read);
    const int32_t err = sys_cal_read(input_path.c_str(), 1, &g_read);
    if (err != NO_ERROR) {
        if (std::memcmp(&g_before, &g_read, sizeof g_read) != 0) {
            fuzz::fail("a refused file changed the record", err, 0);
        }
        return 0;
    }
    if (g_read.board.line.portHandle != 5) fuzz::fail("reading changed a handle", err, 0);

    const int32_t written = sys_cal_write(written_path.c_str(), 1, &g_read);
    if (written != NO_ERROR) fuzz::fail("the writer refused what was read", written, 0);
    sys_info_clear(&g_back);
    const int32_t back = sys_cal_read(written_path.c_str(), 1, &g_back);
    if (back != NO_ERROR) fuzz::fail("a written file does not read back", back, 0);
    if (!cal_same_configuration(g_read, g_back)) {
        fuzz::fail("the configuration changed on its way through the file", 0, 0);
    }
    const int32_t again = sys_cal_write(again_path.c_str(), 1, &g_back);
    if (again != NO_ERROR) fuzz::fail("the writer refused a record read back", again, 0);
    if (read_whole(written_path) != read_whole(again_path)) {
        fuzz::fail("writing the record read back gives other bytes", 0, 0);
    }
    return 0;
}
