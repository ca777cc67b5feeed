// The closed CAN library, TeskCANopen: the calls this library imports from it.
//
// Every call returns 1 on success and a negative CAN error number otherwise
// (can_err_to_error maps them). The simulated library in sim/can_library
// includes this header, so both sides agree on every signature.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#if defined(CAN_LIBRARY_BUILD)
#define CAN_API extern "C" __declspec(dllexport)
#else
#define CAN_API extern "C" __declspec(dllimport)
#endif
#else
#define CAN_API extern "C" __attribute__((visibility("default")))
#endif

// The library's module name, as its version is looked up.
inline constexpr const char* CAN_LIBRARY_MODULE = "TeskCANopen";

// Success, and the CAN error numbers the library returns.
enum : int32_t {
    CAN_OK = 1,
    CAN_ERR_GENERAL = -1,
    CAN_ERR_NOT_CONNECTED = -2,
    CAN_ERR_TIMEOUT = -3,
    CAN_ERR_TCP = -4,
    CAN_ERR_BUFFER_TOO_SMALL = -5,
    CAN_ERR_NO_PDO = -6,
};

// One bridge as CAN_EnumerateBridges lists it (10 bytes).
struct can_bridge_entry {
    uint8_t ipAddress[4];
    uint8_t macAddress[6];
};
static_assert(sizeof(can_bridge_entry) == 10);

// Filled on every SDO transfer. result 1: the node accepted the transfer;
// otherwise abortCode is the CANopen abort code.
struct can_sdo_result {
    uint32_t reserved;
    int32_t result;
    uint32_t abortCode;
};

// A process data object: identifier (function code + node ID), two words of
// the library's own, the eight data bytes.
struct can_pdo_record {
    int32_t identifier;
    int32_t word1;
    int32_t word2;
    uint8_t data[8];
};
static_assert(sizeof(can_pdo_record) == 20);

// The number of nodes CAN_EnumerateNodes reports on (node IDs 0 to 127).
inline constexpr int CAN_NODE_COUNT = 128;
inline constexpr uint32_t CAN_NODE_OPERATIONAL = 2;

// The handlers the library calls from its own delivery thread: count PDOs
// are ready to be fetched with CAN_GetPDO; one emergency message arrived.
using can_pdo_handler = void (*)(int32_t count, int32_t overrun);
using can_emcy_handler = int32_t (*)(int32_t first, int32_t second, const uint8_t* block,
                                     uint8_t last);

// Fills at most capacity entries; returns the number of bridges found, 0 for
// none, -1 on failure.
CAN_API int32_t CAN_EnumerateBridges(can_bridge_entry* bridges, int32_t capacity);
// ipAddress: the four address bytes in record order, as one 32-bit value.
CAN_API int32_t CAN_Connect(uint32_t ipAddress);
CAN_API int32_t CAN_Disconnect();
CAN_API int32_t CAN_GetFirmwareVersion(uint8_t* major, uint8_t* minor);
CAN_API int32_t CAN_GetBridgeConfiguration(uint8_t* nodeId, uint32_t* bitRateKbit);
CAN_API int32_t CAN_SetBridgeConfiguration(uint8_t nodeId, uint32_t bitRateKbit);
CAN_API int32_t CAN_GetLastBridgeError(uint32_t* error);
CAN_API int32_t CAN_ResetBridge();
CAN_API int32_t CAN_FindNode(uint8_t nodeId, uint32_t* status);
CAN_API int32_t CAN_GetNodeState(uint8_t nodeId, uint32_t* state);
// states: CAN_NODE_COUNT entries, indexed by node ID.
CAN_API int32_t CAN_EnumerateNodes(uint32_t* states);
CAN_API int32_t CAN_SDORead(uint8_t nodeId, uint16_t index, uint8_t subindex, void* buffer,
                            uint32_t length, can_sdo_result* result);
CAN_API int32_t CAN_SDOWrite(uint8_t nodeId, uint16_t index, uint8_t subindex,
                             const void* buffer, uint32_t length, can_sdo_result* result);
// Two nulls remove the handlers; removal returns only after a handler call
// in progress has finished.
CAN_API int32_t CAN_RegisterEvents(can_pdo_handler pdo, can_emcy_handler emcy);
CAN_API int32_t CAN_GetPDO(can_pdo_record* pdo);
CAN_API int32_t CAN_RegisterPDO(const can_pdo_record* pdo);
CAN_API int32_t CAN_UnregisterPDOs();
