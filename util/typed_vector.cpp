// Typed vectors with a no-data value.
#include <cstring>

#include "util/typed_element.h"
#include "util/util.h"

namespace {

u_vec* create(uint64_t count, int32_t type, bool zeroed) {
    if (count == 0) return nullptr;
    const uint64_t element_size = u_elem_size(type);
    if (element_size == 0 || count > SIZE_MAX / element_size) return nullptr;

    auto* vec = static_cast<u_vec*>(gl_MallocFunc(sizeof(u_vec)));
    if (vec == nullptr) return nullptr;
    std::memset(vec, 0, sizeof *vec);
    vec->type = type;
    vec->count = count;
    vec->element_size = element_size;
    vec->no_data = gl_MallocFunc(element_size);
    vec->data = vec->no_data == nullptr ? nullptr : gl_MallocFunc(count * element_size);
    if (vec->data == nullptr) {
        u_vec_free(vec);
        return nullptr;
    }
    u_elem_store_no_data(type, vec->no_data);
    vec->capacity = count;
    if (zeroed) std::memset(vec->data, 0, count * element_size);
    return vec;
}

}  // namespace

u_vec* u_vec_create(uint64_t count, int32_t type) {
    return create(count, type, false);
}

u_vec* u_vec_create_zeroed(uint64_t count, int32_t type) {
    return create(count, type, true);
}

void u_vec_free(u_vec* vec) {
    if (vec == nullptr) return;
    if (vec->no_data != nullptr) gl_FreeFunc(vec->no_data);
    if (vec->data != nullptr) gl_FreeFunc(vec->data);
    gl_FreeFunc(vec);
}
