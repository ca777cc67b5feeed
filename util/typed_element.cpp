// Element sizes and no-data values of the typed buffers.
#include "util/typed_element.h"

#include <cstring>
#include <limits>

#include "util/util.h"

namespace {

template <typename T>
void store(void* destination, T value) {
    std::memcpy(destination, &value, sizeof value);
}

}  // namespace

uint64_t u_elem_size(int32_t type) {
    switch (type) {
        case U_ELEM_INT8:
        case U_ELEM_UINT8:
            return 1;
        case U_ELEM_INT16:
        case U_ELEM_UINT16:
            return 2;
        case U_ELEM_INT32:
        case U_ELEM_UINT32:
        case U_ELEM_INT32B:
        case U_ELEM_UINT32B:
        case U_ELEM_FLOAT:
            return 4;
        case U_ELEM_DOUBLE:
            return 8;
        default:
            return 0;
    }
}

void u_elem_store_no_data(int32_t type, void* destination) {
    switch (type) {
        case U_ELEM_INT8:
            store<int8_t>(destination, INT8_MAX);
            break;
        case U_ELEM_UINT8:
            store<uint8_t>(destination, UINT8_MAX);
            break;
        case U_ELEM_INT16:
            store<int16_t>(destination, INT16_MAX);
            break;
        case U_ELEM_UINT16:
            store<uint16_t>(destination, UINT16_MAX);
            break;
        case U_ELEM_INT32:
        case U_ELEM_INT32B:
            store<int32_t>(destination, INT32_MAX);
            break;
        case U_ELEM_UINT32:
        case U_ELEM_UINT32B:
            store<uint32_t>(destination, UINT32_MAX);
            break;
        case U_ELEM_FLOAT:
            store<float>(destination, std::numeric_limits<float>::max());
            break;
        case U_ELEM_DOUBLE:
            store<double>(destination, std::numeric_limits<double>::infinity());
            break;
        default:
            break;
    }
}
