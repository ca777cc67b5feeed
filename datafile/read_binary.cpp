// The binary data file reader: a big-endian header, then an optional block
// of uint16 intensity values and an optional block of int32 phase values.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "datafile/big_endian.h"
#include "datafile/element_count.h"
#include "datafile/header_image.h"
#include "platform/platform.h"

namespace {

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

uint32_t magic_from(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

bool is_data_file_magic(uint32_t magic) {
    return magic == DF_MAGIC_FORMAT1 || magic == DF_MAGIC_FORMAT2 || magic == DF_MAGIC_FORMAT3;
}

// A width or height above 32767 (read as unsigned 16 bits) is too large.
bool dimension_too_large(int16_t width, int16_t height) {
    return width < 0 || height < 0;
}

// Moves past bytes that are not returned. A seek past the end is not an
// error; a stream that cannot seek is read and the bytes dropped.
void skip_bytes(FILE* stream, int64_t count) {
    if (std::fseek(stream, static_cast<long>(count), SEEK_CUR) == 0) return;
    char scrap[4096];
    while (count > 0) {
        const size_t chunk =
            count < int64_t{sizeof scrap} ? static_cast<size_t>(count) : sizeof scrap;
        const size_t got = std::fread(scrap, 1, chunk, stream);
        if (got == 0) return;
        count -= static_cast<int64_t>(got);
    }
}

// A block of a stream whose length cannot be known (a pipe) is collected in
// pieces that grow only as fast as bytes really arrive, so that a header
// cannot make the reader allocate more than the stream holds. False when the
// stream ends or fails first.
bool collect_block(FILE* stream, int64_t bytes, std::vector<uint8_t>& out) {
    constexpr size_t kFirstPiece = 64 * 1024;
    const auto total = static_cast<size_t>(bytes);
    while (out.size() < total) {
        const size_t have = out.size();
        const size_t piece = std::min(total - have, std::max(kFirstPiece, have));
        out.resize(have + piece);
        const size_t got = std::fread(out.data() + have, 1, piece, stream);
        out.resize(have + got);
        if (got < piece || std::ferror(stream)) return false;
    }
    return true;
}

// The conversion of the data blocks, in the widest vector instructions the
// processor has: where the toolchain can choose at load time, an AVX2 form
// beside the baseline one (the baseline's 32-bit byte swap takes several
// instructions per vector, and the conversion is then as slow as the read).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define DF_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define DF_VECTOR_CLONES
#endif
DF_VECTOR_CLONES void to_host(uint16_t* data, size_t count) {
    big_endian_to_host(data, count);
}
DF_VECTOR_CLONES void to_host(int32_t* data, size_t count) {
    big_endian_to_host(data, count);
}
#undef DF_VECTOR_CLONES

// Elements read at a time from a regular file: each piece is converted to
// host order while it is still in the processor's cache, so that the
// conversion costs no second pass over memory.
constexpr size_t kPieceBytes = 256 * 1024;

// Reads count big-endian elements, in host order, into the buffer that
// alloc() provides at *data. A regular file must still hold them before the
// buffer is allocated, and they are then read straight into it; from a
// stream of unknown length they are collected first.
template <typename T, typename Alloc>
int32_t read_block(FILE* stream, int64_t count, Alloc alloc, T** data) {
    const int64_t bytes = count * int64_t{sizeof(T)};
    const int64_t remaining = plat::bytes_remaining(stream);
    if (remaining >= 0) {
        if (remaining < bytes) return ERR_CORRUPT_DATA_FILE;
        if (const int32_t err = alloc(); err != NO_ERROR) return err;
        const auto wanted = static_cast<size_t>(count);
        for (size_t done = 0; done < wanted;) {
            const size_t piece = std::min(wanted - done, kPieceBytes / sizeof(T));
            if (std::fread(*data + done, sizeof(T), piece, stream) != piece || std::ferror(stream)) {
                return ERR_CORRUPT_DATA_FILE;
            }
            to_host(*data + done, piece);
            done += piece;
        }
        return NO_ERROR;
    }

    std::vector<uint8_t> collected;
    try {
        if (!collect_block(stream, bytes, collected)) return ERR_CORRUPT_DATA_FILE;
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
    if (const int32_t err = alloc(); err != NO_ERROR) return err;
    if (!collected.empty()) std::memcpy(*data, collected.data(), collected.size());
    to_host(*data, static_cast<size_t>(count));
    return NO_ERROR;
}

// A block shorter than its matrix leaves the rest of the matrix zero, but only
// up to 16 MiB of zeros: a few bytes of file must not claim gigabytes.
constexpr int64_t kMaxZeroFillElements = (int64_t{16} << 20) / 2;

int32_t read_intensity(FILE* stream, const data_file_header_prefix& header, intens_matrix* intens) {
    const int64_t count = header.intens_bytes / 2;
    const int64_t capacity =
        element_count(intens->window.width, intens->window.height, intens->n_buckets);
    if (const int32_t err = check_element_count(capacity); err != NO_ERROR) return err;
    if (count > capacity || capacity - count > kMaxZeroFillElements) return ERR_CORRUPT_DATA_FILE;
    const int32_t err = read_block(
        stream, count, [intens]() { return intens_matrix_alloc(intens); }, &intens->matrix);
    if (err != NO_ERROR) return err;

    // A block shorter than the matrix leaves the rest zero.
    std::memset(intens->matrix + count, 0,
                static_cast<size_t>(capacity - count) * sizeof(uint16_t));
    // An odd length ends with one byte that belongs to no value.
    if (header.intens_bytes % 2 != 0) skip_bytes(stream, 1);
    return NO_ERROR;
}

int32_t read_phase(FILE* stream, phase_matrix* phase) {
    const int64_t count = element_count(phase->window.width, phase->window.height);
    if (const int32_t err = check_element_count(count); err != NO_ERROR) return err;
    const int32_t err = read_block(
        stream, count, [phase]() { return phase_matrix_alloc(phase); }, &phase->matrix);
    return err;
}

// Everything after the magic check; the caller frees the matrices on failure.
int32_t read_stream(FILE* stream, data_file_ident* ident, data_file_params* params,
                    intens_matrix* intens, phase_matrix* phase) {
    alignas(data_file_header_prefix) uint8_t image[DF_IMAGE_SIZE] = {};
    if (std::fread(image, 1, 4, stream) != 4) return ERR_PREMATURE_EOF;
    const uint32_t magic = magic_from(image);
    if (!is_data_file_magic(magic)) return ERR_NOT_A_DATA_FILE;

    const size_t header_size =
        magic == DF_MAGIC_FORMAT3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;
    if (std::fread(image + 4, 1, header_size - 4, stream) != header_size - 4) {
        return ERR_PREMATURE_EOF;
    }
    df_expand_header(image, magic);
    df_swap_header(image);

    data_file_header_prefix header;
    std::memcpy(&header, image, sizeof header);
    if (ident != nullptr) *ident = header.ident;

    if (intens != nullptr) {
        *intens = intens_matrix{};
        if (header.intens_bytes > 0) {
            if (dimension_too_large(header.intens_width, header.intens_height)) {
                return ERR_DATASET_DIM_TOO_LARGE;
            }
            intens->window = {header.intens_x, header.intens_y, header.intens_width,
                              header.intens_height};
            intens->n_buckets = header.intens_n_buckets;
            intens->range = header.intens_range;
        }
    }
    if (phase != nullptr) {
        *phase = phase_matrix{};
        if (header.phase_bytes > 0) {
            if (dimension_too_large(header.phase_width, header.phase_height)) {
                return ERR_DATASET_DIM_TOO_LARGE;
            }
            phase->window = {header.phase_x, header.phase_y, header.phase_width,
                             header.phase_height};
        }
    }
    if (params != nullptr) {
        std::memcpy(params, image + DF_PARAMS_IMAGE_OFFSET, DATA_FILE_PARAMS_IMAGE_SIZE);
        if (header_size == DF_HEADER_SIZE_LONG) params->format_mark = 3;
    }

    if (header.intens_bytes > 0) {
        if (intens != nullptr) {
            if (const int32_t err = read_intensity(stream, header, intens); err != NO_ERROR) {
                return err;
            }
        } else {
            skip_bytes(stream, header.intens_bytes);
        }
    }
    if (header.phase_bytes > 0) {
        if (phase != nullptr) {
            if (const int32_t err = read_phase(stream, phase); err != NO_ERROR) return err;
        } else {
            skip_bytes(stream, header.phase_bytes);
        }
    }
    return NO_ERROR;
}

}  // namespace

int32_t df_read_binary_stream(FILE* stream, data_file_ident* ident, data_file_params* params,
                              intens_matrix* intens, phase_matrix* phase) {
    const int32_t err = read_stream(stream, ident, params, intens, phase);
    if (err != NO_ERROR) {
        if (intens != nullptr) intens_matrix_free(intens);
        if (phase != nullptr) phase_matrix_free(phase);
    }
    return err;
}

int32_t df_read_binary(plat::path_ref path, data_file_ident* ident, data_file_params* params,
                       intens_matrix* intens, phase_matrix* phase) {
    const std::unique_ptr<FILE, file_closer> stream(plat::open_file(path, "rb"));
    if (!stream) return ERR_CANT_OPEN_FILE;
    return df_read_binary_stream(stream.get(), ident, params, intens, phase);
}
