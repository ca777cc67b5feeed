// Buffered reading of ASCII data files.
#include "datafile/text_source.h"

#include <cstring>

#include "platform/platform.h"

text_source::text_source(read_func read, void* context, int64_t known_length, size_t chunk)
    : read_(read),
      context_(context),
      chunk_(chunk == 0 || chunk > kCapacity ? kCapacity : chunk),
      known_length_(known_length) {}

text_source::text_source(FILE* file)
    : text_source(read_file, file, plat::bytes_remaining(file), kCapacity) {}

size_t text_source::read_file(void* file, char* destination, size_t capacity) {
    return std::fread(destination, 1, capacity, static_cast<FILE*>(file));
}

int64_t text_source::bytes_left() const {
    if (known_length_ < 0) return -1;
    const int64_t left = known_length_ - fetched_ + static_cast<int64_t>(end_ - pos_);
    return left < 0 ? 0 : left;
}

// Keeps the unread bytes, moved to the front, and appends what the input
// gives next. False when nothing more came.
bool text_source::fill() {
    if (exhausted_) return false;
    if (pos_ > 0) {
        std::memmove(buffer_, buffer_ + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    const size_t room = kCapacity - end_;
    const size_t got = read_(context_, buffer_ + end_, room < chunk_ ? room : chunk_);
    if (got == 0) {
        exhausted_ = true;
        return false;
    }
    end_ += got;
    fetched_ += static_cast<int64_t>(got);
    return true;
}

int text_source::peek_after_fill() {
    while (pos_ >= end_) {
        if (!fill()) return EOF;
    }
    return static_cast<unsigned char>(buffer_[pos_]);
}

bool text_source::read_line(char* destination, size_t size) {
    size_t stored = 0;
    while (stored + 1 < size) {
        int c = peek();
        if (c == EOF) break;
        ++pos_;
        if (c == '\r' && peek() == '\n') {
            ++pos_;
            c = '\n';
        }
        destination[stored++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (size > 0) destination[stored] = '\0';
    return stored > 0;
}

void text_source::skip_line() {
    for (int c = peek(); c != EOF; c = peek()) {
        ++pos_;
        if (c == '\n') return;
    }
}

void text_source::skip_spaces() {
    while (is_space(peek())) ++pos_;
}

bool text_source::scan_decimal(decimal* number) {
    skip_spaces();
    int c = peek();
    number->negative = false;
    if (c == '-' || c == '+') {
        number->negative = c == '-';
        ++pos_;
        c = peek();
    }
    if (!is_digit(c)) return false;

    // 2^64 - 1 = 18446744073709551615: past it the magnitude saturates.
    constexpr uint64_t kLimit = UINT64_MAX / 10;
    constexpr int kLastDigit = static_cast<int>(UINT64_MAX % 10);
    uint64_t magnitude = 0;
    bool overflow = false;
    do {
        const int digit = c - '0';
        if (magnitude > kLimit || (magnitude == kLimit && digit > kLastDigit)) {
            overflow = true;
        } else if (!overflow) {
            magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
        }
        ++pos_;
        c = peek();
    } while (is_digit(c));
    number->overflow = overflow;
    number->magnitude = magnitude;
    skip_spaces();  // the blank after the conversion in "%hu " and "%d "
    return true;
}

bool text_source::scan_ushort(uint16_t* value) {
    decimal number{};
    if (!scan_decimal(&number)) return false;
    // strtoul: saturates at 2^64 - 1, and negates (modulo 2^64) after a minus.
    uint64_t converted = UINT64_MAX;
    if (!number.overflow) {
        converted = number.negative ? 0 - number.magnitude : number.magnitude;
    }
    *value = static_cast<uint16_t>(converted);
    return true;
}

bool text_source::scan_int(int32_t* value) {
    decimal number{};
    if (!scan_decimal(&number)) return false;
    // strtol into a 64-bit long: saturates at the long's bounds.
    constexpr uint64_t kLongMax = INT64_MAX;
    uint64_t converted = 0;  // the long's bits
    if (!number.negative) {
        converted = number.overflow || number.magnitude > kLongMax ? kLongMax : number.magnitude;
    } else {
        converted = number.overflow || number.magnitude > kLongMax + 1 ? kLongMax + 1
                                                                       : 0 - number.magnitude;
    }
    // The long is narrowed to int by keeping its low 32 bits.
    *value = static_cast<int32_t>(static_cast<uint32_t>(converted));
    return true;
}
