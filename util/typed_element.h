// Element sizes and no-data values of the typed buffers' element codes.
#pragma once

#include <cstdint>

// Bytes per element of a type code; 0 for a code outside 0 to 9.
uint64_t u_elem_size(int32_t type);

// Writes the type's no-data value into one element at destination.
void u_elem_store_no_data(int32_t type, void* destination);
