// A buffered reader of text files for the ASCII data file reader: header
// lines are read the way fgets reads a text-mode stream, and data values are
// scanned the way scanf's "%hu " and "%d " scan them, without a library call
// per value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "datafile/scanned_integer.h"

class text_source {
  public:
    // Fills destination with up to capacity bytes; 0 at the end of the input.
    using read_func = size_t (*)(void* context, char* destination, size_t capacity);

    static constexpr size_t kCapacity = 64 * 1024;

    // Reads through read(context, ...), at most chunk bytes per call.
    // known_length is the number of bytes the input holds, or -1 when that
    // cannot be known (a pipe, a device).
    text_source(read_func read, void* context, int64_t known_length, size_t chunk = kCapacity);

    // Reads a file from its current position.
    explicit text_source(FILE* file);

    text_source(const text_source&) = delete;
    text_source& operator=(const text_source&) = delete;

    // Like fgets on a text-mode stream: stores at most size - 1 characters
    // and stops after a line feed; a carriage return directly before a line
    // feed is dropped. False when the input ended before any character.
    bool read_line(char* destination, size_t size);

    // Skips the rest of the current line, its line feed included.
    void skip_line();

    // The next byte without taking it, or EOF.
    int peek() {
        return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : peek_after_fill();
    }

    // Scan one value exactly as scanf's "%hu " and "%d " do: leading white
    // space, an optional sign, decimal digits, then all following white
    // space. Out-of-range numbers are converted as glibc's scanf converts
    // them (through strtoul / strtol into a 64-bit long, then narrowed).
    // False when no number could be converted.
    bool scan_ushort(uint16_t* value);
    bool scan_int(int32_t* value);

    // Scan count values in a row into values; false at the first that fails.
    bool scan_ushorts(uint16_t* values, int64_t count);
    bool scan_ints(int32_t* values, int64_t count);

    // Bytes not yet taken from the input, or -1 when its length is unknown.
    int64_t bytes_left() const;

  private:
    using decimal = scanned_decimal;

    static size_t read_file(void* file, char* destination, size_t capacity);
    static bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool is_digit(int c) { return is_decimal_digit(c); }

    int peek_after_fill();
    bool fill();
    void skip_spaces();
    bool scan_decimal(decimal* number);
    bool scan_long_decimal(decimal* number);
    template <typename T, typename Convert>
    bool scan_many(T* values, int64_t count, Convert convert);

    read_func read_;
    void* context_;
    size_t chunk_;
    int64_t known_length_;
    int64_t fetched_ = 0;  // bytes taken from read_ so far
    size_t pos_ = 0;
    size_t end_ = 0;
    bool exhausted_ = false;
    char buffer_[kCapacity];
};
