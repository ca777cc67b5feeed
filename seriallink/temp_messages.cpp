// Temperature sensor messages: a select (write) or poll (read) to the
// device's address, and the answer to each.
#include <cstring>

#include "errors/errors.h"
#include "seriallink/byte_reads.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"

namespace {

constexpr size_t kAddressLength = sizeof TEMP_ADDRESS - 1;
// Characters of text that fit a 256-byte message besides its framing.
constexpr int32_t kMaxWriteText = TEMP_STR_MAX_LEN - 8;
constexpr int32_t kMaxReadText = TEMP_STR_MAX_LEN - 6;
// A longer write text puts its ETX beyond the message: EOT, address and STX
// go before it.
constexpr int32_t kMaxWriteTextWithEtx = TEMP_STR_MAX_LEN - 7;
// A data block answered, ETX included, holds one byte less than the answer
// buffer, which keeps the byte after it for the end of the text.
constexpr size_t kMaxBlock = TEMP_STR_MAX_LEN - 1;

bool is_control(uint8_t byte) {
    return byte == TEMP_STX || byte == TEMP_ETX || byte == TEMP_EOT || byte == TEMP_ENQ;
}

// The block check: the exclusive OR of the bytes after STX through ETX.
uint8_t block_check(const uint8_t* bytes, size_t count) {
    uint8_t check = 0;
    for (size_t i = 0; i < count; ++i) check ^= bytes[i];
    return check;
}

// Builds the message for text (text_len characters, copied up to the text's
// end and padded with zero bytes) into message (TEMP_STR_MAX_LEN bytes): its
// length, or 0 for a kind, length or character that has no message. Text
// holds no control byte, so for a write the block after STX is the text and
// ETX.
size_t build_message(const char* text, int32_t text_len, int32_t kind, uint8_t* message) {
    if (kind != TEMP_MSG_WRITE && kind != TEMP_MSG_READ) return 0;
    if (text_len < 0 || text_len > (kind == TEMP_MSG_WRITE ? kMaxWriteText : kMaxReadText)) {
        return 0;
    }
    size_t n = 0;
    message[n++] = TEMP_EOT;
    std::memcpy(message + n, TEMP_ADDRESS, kAddressLength);
    n += kAddressLength;
    if (kind == TEMP_MSG_WRITE) message[n++] = TEMP_STX;
    const size_t block = n;
    bool ended = false;
    for (int32_t i = 0; i < text_len; ++i) {
        ended = ended || text[i] == '\0';
        const uint8_t byte = ended ? 0 : static_cast<uint8_t>(text[i]);
        if (is_control(byte)) return 0;
        message[n++] = byte;
    }
    if (kind == TEMP_MSG_READ) {
        message[n++] = TEMP_ENQ;
        return n;
    }
    message[n++] = TEMP_ETX;
    message[n] = block_check(message + block, n - block);
    return n + 1;
}

// After a NAK: asks the device for its error status and prints what it
// says, up to ETX or 256 bytes. The caller drains the line afterwards.
void report_error_status(plat::port_handle port) {
    gl_PrintFunc("temp_comm_read: received NAK\n");
    uint8_t message[TEMP_STR_MAX_LEN];
    const size_t length = build_message("EE", 2, TEMP_MSG_READ, message);
    uint32_t written = 0;
    if (sio_send_data(port, message, static_cast<int32_t>(length), &written) != 0) {
        gl_PrintFunc("temp_comm_read: EE err2 error\n");
        return;
    }
    for (int i = 0; i < TEMP_STR_MAX_LEN; ++i) {
        uint8_t byte = 0;
        if (!sio_read_one(port, &byte)) {
            gl_PrintFunc("temp_comm_read: EE err3 error\n");
            return;
        }
        gl_PrintFunc("char: 0x%x\n", static_cast<unsigned>(byte));
        if (byte == TEMP_ETX) return;
    }
}

// Reads the rest of a data block after its STX, and its BCC, into text.
int32_t read_block(plat::port_handle port, char* text) {
    uint8_t block[TEMP_STR_MAX_LEN];
    size_t n = 0;
    const auto missing = [] {
        gl_PrintFunc("temp_comm_read: sio_read_data failed: %s\n", u_err_name(ERR_TEMP_SENSOR_READ));
        return ERR_TEMP_SENSOR_READ;
    };
    do {
        if (n == kMaxBlock) {
            gl_PrintFunc("temp_comm_read: i=TEMP_STR_MAX_LEN\n");
            return ERR_TEMP_SENSOR_READ;
        }
        if (!sio_read_one(port, &block[n])) return missing();
    } while (block[n++] != TEMP_ETX);
    uint8_t sent = 0;
    if (!sio_read_one(port, &sent)) return missing();
    const uint8_t calculated = block_check(block, n);
    if (calculated != sent) {
        gl_PrintFunc("temp_comm_read: checksums mismatched: sent=%d calc=%d\n",
                     static_cast<int>(static_cast<int8_t>(sent)),
                     static_cast<int>(static_cast<int8_t>(calculated)));
        return ERR_TEMP_SENSOR_CHECKSUM;
    }
    block[n - 1] = '\0';
    std::memcpy(text, block, n);
    return NO_ERROR;
}

int32_t read_answer(plat::port_handle port, uint8_t first, char* text, int32_t kind) {
    if (kind == TEMP_MSG_WRITE) {
        if (first != TEMP_NAK) return NO_ERROR;
        report_error_status(port);
        return ERR_TEMP_SENSOR_COMM;
    }
    if (kind != TEMP_MSG_READ) {
        gl_PrintFunc("temp_comm_read: unknown response type %d\n", kind);
        return ERR_TEMP_SENSOR_COMM;
    }
    if (first == TEMP_EOT) {
        gl_PrintFunc("temp_comm_read: received EOT, respType=%d\n", kind);
        return ERR_TEMP_SENSOR_COMM;
    }
    if (first != TEMP_STX) {
        gl_PrintFunc("temp_comm_read: received unknown response character 0x%x\n",
                     static_cast<unsigned>(first));
        return ERR_TEMP_SENSOR_COMM;
    }
    return read_block(port, text);
}

}  // namespace

int32_t temp_comm_read(plat::port_handle port, char* text, int32_t kind) {
    if (text == nullptr) return ERR_INVALID_PARAM;
    text[0] = '\0';
    // A closed sensor has nothing to say, which is not an answer.
    if (port == plat::kInvalidPort) return ERR_TEMP_SENSOR_COMM;
    uint8_t first = 0;
    bool came = false;
    if (sio_read_first_byte(port, seriallink::bounds().temp_first_byte_s.load(), &first, &came) !=
        NO_ERROR) {
        return ERR_TEMP_SENSOR_COMM;
    }
    if (!came) {
        gl_PrintFunc("temp_comm_read: timeout on first byte, respType=%d\n", kind);
        return ERR_TEMP_SENSOR_TIMEOUT;
    }
    const int32_t code = read_answer(port, first, text, kind);
    // Whatever is left of a bad answer must not be taken for the next one.
    if (code != NO_ERROR) sio_clear_buffer(port);
    return code;
}

int32_t temp_comm_write(plat::port_handle port, char* text, int32_t text_len, int32_t kind) {
    if (text == nullptr) return ERR_INVALID_PARAM;
    if (port == plat::kInvalidPort) return ERR_TEMP_SENSOR_COMM;
    // Without its ETX within the message a write has no block to check.
    if (kind == TEMP_MSG_WRITE && text_len > kMaxWriteTextWithEtx) return ERR_TEMP_SENSOR_CHECKSUM;
    uint8_t message[TEMP_STR_MAX_LEN];
    const size_t length = build_message(text, text_len, kind, message);
    if (length == 0) return ERR_TEMP_SENSOR_COMM;
    uint32_t written = 0;
    if (sio_send_data(port, message, static_cast<int32_t>(length), &written) != 0) {
        gl_PrintFunc("temp_comm_write: sio_send_data failed: nbytes=%d\n",
                     static_cast<int32_t>(length));
        return ERR_TEMP_SENSOR_COMM;
    }
    char answer[TEMP_STR_MAX_LEN];
    const int32_t code = temp_comm_read(port, answer, kind);
    if (code != NO_ERROR || kind == TEMP_MSG_WRITE) return code;
    // The answer names the mnemonic that was asked for, then gives its value.
    const uint8_t* mnemonic = message + 1 + kAddressLength;
    if (text_len < 2 || std::strlen(answer) < 2 || std::memcmp(answer, mnemonic, 2) != 0) {
        return ERR_TEMP_SENSOR_READ;
    }
    std::strcpy(text, answer + 2);
    return NO_ERROR;
}
