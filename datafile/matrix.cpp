// Allocation, resizing and release of the intensity and phase matrices.
#include <cstddef>

#include "datafile/datafile.h"
#include "datafile/element_count.h"

namespace {

template <typename T>
T* allocate_elements(int64_t count) {
    return static_cast<T*>(gl_MallocFunc(static_cast<size_t>(count) * sizeof(T)));
}

// Shared resize steps: the buffer ends up holding at least need elements
// (exactly need unless keep_larger keeps a larger one), or none for need 0.
template <typename T>
int32_t resize_buffer(T*& matrix, uint32_t& size, int64_t need, bool keep_larger) {
    if (matrix == nullptr) size = 0;
    if (need == 0) {
        size = 0;
        if (matrix != nullptr) gl_FreeFunc(matrix);
        matrix = nullptr;
        return NO_ERROR;
    }
    if (const int32_t err = check_element_count(need); err != NO_ERROR) return err;
    const auto wanted = static_cast<uint32_t>(need);
    if (wanted > size || (wanted < size && !keep_larger)) {
        size = 0;
        if (matrix != nullptr) gl_FreeFunc(matrix);
        matrix = allocate_elements<T>(need);
        if (matrix == nullptr) return ERR_NO_MEM;
        size = wanted;
    }
    return NO_ERROR;
}

}  // namespace

int32_t intens_matrix_alloc(intens_matrix* m) {
    const int64_t count = element_count(m->window.width, m->window.height, m->n_buckets);
    if (const int32_t err = check_element_count(count); err != NO_ERROR) return err;
    m->matrix = allocate_elements<uint16_t>(count);
    if (m->matrix == nullptr) {
        m->size = 0;
        m->n_buckets = 0;
        m->window.width = 0;
        m->window.height = 0;
        return ERR_NO_MEM;
    }
    m->size = static_cast<uint32_t>(count);
    return NO_ERROR;
}

int32_t intens_matrix_resize(intens_matrix* m, matrix_window window, int16_t n_buckets,
                             bool keep_larger) {
    const int64_t need = element_count(window.width, window.height, n_buckets);
    const int32_t err = resize_buffer(m->matrix, m->size, need, keep_larger);
    if (err != NO_ERROR || need == 0) return err;
    m->window = window;
    m->n_buckets = n_buckets;
    return NO_ERROR;
}

void intens_matrix_free(intens_matrix* m) {
    if (m->matrix != nullptr) gl_FreeFunc(m->matrix);
    m->matrix = nullptr;
    m->size = 0;
    m->n_buckets = 0;
    m->window.width = 0;
    m->window.height = 0;
}

int32_t phase_matrix_alloc(phase_matrix* m) {
    const int64_t count = element_count(m->window.width, m->window.height);
    if (const int32_t err = check_element_count(count); err != NO_ERROR) return err;
    m->size = 0;
    m->matrix = allocate_elements<int32_t>(count);
    if (m->matrix == nullptr) return ERR_NO_MEM;
    m->size = static_cast<uint32_t>(count);
    return NO_ERROR;
}

int32_t phase_matrix_resize(phase_matrix* m, matrix_window window, bool keep_larger) {
    const int64_t need = element_count(window.width, window.height);
    const int32_t err = resize_buffer(m->matrix, m->size, need, keep_larger);
    if (err != NO_ERROR || need == 0) return err;
    m->window = window;
    return NO_ERROR;
}

void phase_matrix_free(phase_matrix* m) {
    if (m->matrix != nullptr) gl_FreeFunc(m->matrix);
    m->matrix = nullptr;
    m->size = 0;
    m->window.width = 0;
    m->window.height = 0;
}
