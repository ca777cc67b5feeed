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

inline void text_source::skip_spaces() {
    for (;;) {
        const char* p = buffer_ + pos_;
        const char* const end = buffer_ + end_;
        while (p < end && is_space(static_cast<unsigned char>(*p))) ++p;
        pos_ = static_cast<size_t>(p - buffer_);
        if (p < end || !fill()) return;
    }
}

namespace {
// A token of sign and up to 19 digits, and the byte after it, fit in this
// many bytes; 19 digits cannot overflow 64 bits.
constexpr size_t kShortTokenRoom = 32;
constexpr int kSafeDigits = 19;
}  // namespace

// The common case works on the buffer directly; a token near the buffer's
// end, or longer than 19 digits, takes the careful path.
inline bool text_source::scan_decimal(decimal* number) {
    skip_spaces();
    if (end_ - pos_ >= kShortTokenRoom) {
        const char* p = buffer_ + pos_;
        const bool negative = *p == '-';
        if (negative || *p == '+') ++p;
        if (!is_digit(*p)) return false;
        uint64_t magnitude = 0;
        int digits = 0;
        do {
            magnitude = magnitude * 10 + static_cast<uint64_t>(*p++ - '0');
        } while (is_digit(*p) && ++digits < kSafeDigits);
        if (!is_digit(*p)) {
            number->negative = negative;
            number->overflow = false;
            number->magnitude = magnitude;
            pos_ = static_cast<size_t>(p - buffer_);
            skip_spaces();  // the blank after the conversion in "%hu " and "%d "
            return true;
        }
    }
    return scan_long_decimal(number);
}

bool text_source::scan_long_decimal(decimal* number) {
    *number = {};
    int c = peek();
    if (c == '-' || c == '+') {
        number->negative = c == '-';
        ++pos_;
        c = peek();
    }
    if (!is_digit(c)) return false;
    do {
        number->add_digit(c - '0');
        ++pos_;
        c = peek();
    } while (is_digit(c));
    skip_spaces();
    return true;
}

bool text_source::scan_ushort(uint16_t* value) {
    decimal number{};
    if (!scan_decimal(&number)) return false;
    *value = as_scanned_ushort(number.negative, number.overflow, number.magnitude);
    return true;
}

bool text_source::scan_int(int32_t* value) {
    decimal number{};
    if (!scan_decimal(&number)) return false;
    *value = as_scanned_int(number.negative, number.overflow, number.magnitude);
    return true;
}

// Runs of values are scanned straight from the buffer while a whole token
// surely lies in it; near the buffer's end, and for a token that is unusual
// (not a number, or longer than 19 digits), one value takes the careful path.
template <typename T, typename Convert>
bool text_source::scan_many(T* values, int64_t count, Convert convert) {
    int64_t i = 0;
    while (i < count) {
        if (end_ - pos_ > kShortTokenRoom) {
            const char* p = buffer_ + pos_;
            const char* const fast_end = buffer_ + end_ - kShortTokenRoom;
            while (i < count) {
                while (p < fast_end && is_space(static_cast<unsigned char>(*p))) ++p;
                if (p >= fast_end) break;
                const char* const token = p;
                const bool negative = *p == '-';
                if (negative || *p == '+') ++p;
                if (!is_digit(*p)) {
                    p = token;
                    break;
                }
                uint64_t magnitude = 0;
                int digits = 0;
                do {
                    magnitude = magnitude * 10 + static_cast<uint64_t>(*p++ - '0');
                } while (is_digit(*p) && ++digits < kSafeDigits);
                if (is_digit(*p)) {
                    p = token;
                    break;
                }
                values[i++] = convert(negative, false, magnitude);
            }
            pos_ = static_cast<size_t>(p - buffer_);
            if (i == count) break;
        }
        decimal number{};
        if (!scan_decimal(&number)) return false;
        values[i++] = convert(number.negative, number.overflow, number.magnitude);
    }
    skip_spaces();  // the blank after the last conversion
    return true;
}

bool text_source::scan_ushorts(uint16_t* values, int64_t count) {
    return scan_many(values, count, as_scanned_ushort);
}

bool text_source::scan_ints(int32_t* values, int64_t count) {
    return scan_many(values, count, as_scanned_int);
}
