// Response buffers: a block of bytes from the allocation hooks and its length.
#include "util/util.h"

void u_bytebuf_init(u_bytebuf* buf) {
    if (buf == nullptr) return;
    buf->capacity = 0;
    buf->length = 0;
    buf->data = nullptr;
}

void u_bytebuf_free(u_bytebuf* buf) {
    if (buf == nullptr) return;
    if (buf->data != nullptr) gl_FreeFunc(buf->data);
    u_bytebuf_init(buf);
}

int32_t u_bytebuf_resize(u_bytebuf* buf, uint32_t n, bool keep_larger) {
    if (buf == nullptr) return ERR_INVALID_PARAM;
    if (n == 0) {
        u_bytebuf_free(buf);
        return NO_ERROR;
    }
    const bool fits = buf->data != nullptr &&
                      (buf->capacity == n || (keep_larger && buf->capacity > n));
    if (!fits) {
        u_bytebuf_free(buf);
        buf->data = static_cast<uint8_t*>(gl_MallocFunc(n));
        if (buf->data == nullptr) return ERR_NO_MEM;
        buf->capacity = n;
    }
    buf->length = n;
    return NO_ERROR;
}
