// Opening and closing a port.
#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {
constexpr uint32_t kQueueSize = 4096;
constexpr uint32_t kPurgeAll =
    plat::kPurgeTxAbort | plat::kPurgeRxAbort | plat::kPurgeTxClear | plat::kPurgeRxClear;
}  // namespace

int32_t sio_open(const char* port_name, plat::port_handle* handle) {
    if (handle == nullptr) return ERR_INVALID_PARAM;
    *handle = port_name == nullptr ? plat::kInvalidPort : plat::serial_open(port_name);
    if (*handle == plat::kInvalidPort) return ERR_CANT_OPEN_SERIAL;
    if (!plat::serial_set_event_mask(*handle, plat::kEventRxChar)) return ERR_CANT_SET_SERIAL;
    if (!plat::serial_setup_queues(*handle, kQueueSize, kQueueSize)) return ERR_CANT_SET_SERIAL;
    return NO_ERROR;
}

int32_t sio_close(plat::port_handle* handle) {
    if (handle == nullptr) return ERR_INVALID_PARAM;
    if (*handle == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    plat::serial_set_event_mask(*handle, 0);
    plat::serial_set_dtr(*handle, false);
    plat::serial_purge(*handle, kPurgeAll);
    if (!plat::serial_close(*handle)) return ERR_CANT_CLOSE_SERIAL;
    *handle = plat::kInvalidPort;
    return NO_ERROR;
}
