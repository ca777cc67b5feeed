// Reading one wave monitor answer of one of the four response kinds, and the
// command-and-answer exchange.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "errors/errors.h"
#include "seriallink/byte_reads.h"
#include "seriallink/little_endian.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"
#include "util/util.h"

namespace {

// What one read came to: a code and, for a fault of the answer, its detail.
struct read_outcome {
    int32_t code = NO_ERROR;
    bool bytes_came = false;
    char detail[160] = "";
};

void fail(read_outcome* out, int32_t code, const char* format, ...) U_PRINTF_FORMAT(3, 4);

void fail(read_outcome* out, int32_t code, const char* format, ...) {
    out->code = code;
    va_list args;
    va_start(args, format);
    std::vsnprintf(out->detail, sizeof out->detail, format, args);
    va_end(args);
}

const char* kind_name(int32_t kind) {
    switch (kind) {
        case WM_RESP_ACK:
            return "WM_RESP_ACK";
        case WM_RESP_READ:
            return "WM_RESP_READ";
        case WM_RESP_READ_ACK:
            return "WM_RESP_READ_ACK";
        default:
            return "WM_RESP_SIZE_READ_ACK";
    }
}

// The byte that ends an answer: ACK, NAK or anything else.
void check_ack(read_outcome* out, int32_t kind, uint8_t byte) {
    if (byte == WM_ACK) return;
    if (byte == WM_NAK) {
        fail(out, ERR_WM_NAK, "%s: received NAK", kind_name(kind));
    } else {
        fail(out, ERR_WM_READ, "%s: invalid response 0x%02X, expected ACK or NAK",
             kind_name(kind), byte);
    }
}

// Reads data[from] to data[to - 1] one byte at a time: the index of the
// first byte that did not come, or -1 when all did.
int64_t fill(plat::port_handle port, uint8_t* data, int64_t from, int64_t to) {
    for (int64_t i = from; i < to; ++i) {
        if (!sio_read_one(port, &data[i])) return i;
    }
    return -1;
}

// A buffer of n bytes, n checked by the caller to be at most WM_MAX_RESPONSE.
bool size_buffer(read_outcome* out, u_bytebuf* response, int64_t n) {
    out->code = u_bytebuf_resize(response, static_cast<uint32_t>(n), true);
    return out->code == NO_ERROR;
}

void read_data(plat::port_handle port, u_bytebuf* response, int32_t resp_len, int32_t kind,
               read_outcome* out) {
    const char* name = kind_name(kind);
    // The data, and for WM_RESP_READ_ACK the acknowledgement after it.
    const int64_t total = int64_t{resp_len} + (kind == WM_RESP_READ_ACK ? 1 : 0);
    if (resp_len < 1 || int64_t{resp_len} + 1 > WM_MAX_RESPONSE) {
        fail(out, ERR_WM_READ, "%s: invalid respLen = %d", name, resp_len);
        return;
    }
    const uint8_t first = response->data[0];
    if (!size_buffer(out, response, int64_t{resp_len} + 1)) return;
    response->data[0] = first;
    const int64_t missing = fill(port, response->data, 1, total);
    if (missing >= 0) {
        fail(out, ERR_WM_READ, "%s: sio_read_data failed reading response %s %d of %d", name,
             kind == WM_RESP_READ ? "byte" : "char", static_cast<int32_t>(missing + 1),
             static_cast<int32_t>(total));
        return;
    }
    if (kind == WM_RESP_READ_ACK) check_ack(out, kind, response->data[resp_len]);
}

void read_sized(plat::port_handle port, u_bytebuf* response, int32_t resp_len, int32_t elem_size,
                read_outcome* out) {
    const char* name = kind_name(WM_RESP_SIZE_READ_ACK);
    // The count comes from the device: it is read into a local header and
    // checked before anything is allocated for it.
    uint8_t header[4] = {response->data[0]};
    const int64_t missing_header = fill(port, header, 1, 4);
    if (missing_header >= 0) {
        fail(out, ERR_WM_READ, "%s: sio_read_data failed reading byte %d of %d", name,
             static_cast<int32_t>(missing_header + 1), 4);
        return;
    }
    const int32_t count = le_i32(header);
    if (count < 0 || elem_size < 0 || resp_len < 0) {
        fail(out, ERR_WM_READ, "%s: invalid size: %d elements of %d bytes, respLen = %d", name,
             count, elem_size, resp_len);
        return;
    }
    const int64_t total = int64_t{elem_size} * count + resp_len + 5;
    if (total > WM_MAX_RESPONSE) {
        fail(out, ERR_WM_READ, "%s: answer of %lld bytes is larger than %lld", name,
             static_cast<long long>(total), static_cast<long long>(WM_MAX_RESPONSE));
        return;
    }
    if (!size_buffer(out, response, total)) return;
    std::memcpy(response->data, header, sizeof header);
    const int64_t missing = fill(port, response->data, 4, total);
    if (missing >= 0) {
        fail(out, ERR_WM_READ, "%s: sio_read_data failed reading byte %d of %d", name,
             static_cast<int32_t>(missing + 1), static_cast<int32_t>(total));
        return;
    }
    check_ack(out, WM_RESP_SIZE_READ_ACK, response->data[total - 1]);
}

void read_answer(plat::port_handle port, u_bytebuf* response, int32_t resp_len, int32_t elem_size,
                 int32_t kind, int32_t timeout_s, read_outcome* out) {
    const int32_t wait_s = timeout_s >= 1 ? timeout_s : seriallink::bounds().wm_first_byte_s.load();
    uint8_t first = 0;
    bool came = false;
    out->code = sio_read_first_byte(port, wait_s, &first, &came);
    if (out->code != NO_ERROR) return;
    if (!came) {
        out->code = ERR_WM_TIMEOUT;
        return;
    }
    out->bytes_came = true;
    if (!size_buffer(out, response, 1)) return;
    response->data[0] = first;
    switch (kind) {
        case WM_RESP_ACK:
            check_ack(out, kind, first);
            break;
        case WM_RESP_READ:
        case WM_RESP_READ_ACK:
            read_data(port, response, resp_len, kind, out);
            break;
        case WM_RESP_SIZE_READ_ACK:
            read_sized(port, response, resp_len, elem_size, out);
            break;
        default:
            break;  // an answer of one byte
    }
}

}  // namespace

int32_t wm_comm_read(plat::port_handle* handle, u_bytebuf* response, int32_t resp_len,
                     int32_t elem_size, int32_t resp_kind, int32_t timeout_s) {
    read_outcome out;
    if (handle == nullptr || response == nullptr) {
        out.code = ERR_INVALID_PARAM;
    } else {
        read_answer(*handle, response, resp_len, elem_size, resp_kind, timeout_s, &out);
    }
    if (out.code == NO_ERROR) return NO_ERROR;

    char stamp[U_TIME_STAMP_SIZE];
    u_time_stamp(stamp);
    if (out.detail[0] != '\0') {
        gl_PrintFunc("%s %s: %s: %s\n", stamp, "wm_comm_read", u_err_name(out.code), out.detail);
    } else {
        gl_PrintFunc("%s %s: %s\n", stamp, "wm_comm_read", u_err_name(out.code));
    }
    // The rest of a damaged answer must not be taken for the next one.
    if (out.bytes_came) sio_clear_buffer(*handle);
    u_bytebuf_free(response);
    return out.code;
}

int32_t wm_comm_write_rd(plat::port_handle* handle, const char* command, u_bytebuf* response,
                         int32_t resp_len, int32_t elem_size, int32_t resp_kind,
                         int32_t timeout_s) {
    const int32_t written = wm_comm_write(handle, command);
    if (written != NO_ERROR) return written;
    const int32_t code = wm_comm_read(handle, response, resp_len, elem_size, resp_kind, timeout_s);
    if (code != NO_ERROR) {
        char stamp[U_TIME_STAMP_SIZE];
        u_time_stamp(stamp);
        gl_PrintFunc("%s %s: error reading response to command \"%s\": %s\n", stamp,
                     "wm_comm_write_rd", command, u_err_name(code));
    }
    return code;
}
