// Test controls of the simulated CAN library. The library itself exports the
// CAN_ calls of can/can_library.h; these extra entry points let a test or a
// demo set up the bridge, its nodes and their object dictionaries, inject
// failures, deliver PDOs and emergency messages, and read the call log.
#pragma once

#include <cstdint>

#include "can/can_library.h"

// The environment variable naming an instrument description: a text file
// read when the library is first used, one item a line ("#" starts a
// comment):
//   bridge MAC IP                  a bridge, e.g. bridge 00:1A:2B:3C:4D:5E 10.0.0.7
//   firmware MAJOR MINOR           the bridge's firmware version
//   node ID PRODUCT MAJOR MINOR    a node (product code in hex), as sim_can_add_node
//   log PATH                       every call is also appended to this file,
//                                  one line each as sim_can_log shows it
//   abort NODE INDEX SUB CODE      as sim_can_set_sdo_abort (index, code in hex)
//   no_scan                        ramp starts publish no scan
//
// The bridge's ramp generator (node 127): a ramp start entry write of 1
// runs the selected slot's ramp from its entries (scan/scan.h) and
// publishes the scan it makes (sim/scanner/ramp_scan.h) to the file named
// by SIM_SCAN_FILE; the ramp status reads 0 again once its samples have run.
// sim_can_reset forgets what it set up, but not the log file.
inline constexpr const char* CAN_SIM_INSTRUMENT_ENV = "CAN_SIM_INSTRUMENT";

// Takes one line of an instrument description as if read from the file;
// 0 for a line it does not take.
CAN_API int32_t sim_can_describe(const char* line);

// Back to the start: no bridges, no nodes, no failures, an empty log, no
// handlers and nothing queued for delivery. Waits for a handler call in
// progress to finish.
CAN_API void sim_can_reset();

// ---- the bridge ---------------------------------------------------------------

// Adds one record to the list CAN_EnumerateBridges returns.
CAN_API void sim_can_add_bridge(const uint8_t* mac, const uint8_t* ip);
// Makes CAN_EnumerateBridges return this count whatever it wrote;
// INT32_MIN goes back to the number of records.
CAN_API void sim_can_set_enumerate_result(int32_t result);
CAN_API void sim_can_set_firmware(uint8_t major, uint8_t minor);
CAN_API void sim_can_set_bridge_config(uint8_t nodeId, uint32_t value);
// The errors CAN_GetLastBridgeError reports, one per call, then 0.
CAN_API void sim_can_set_bridge_errors(const uint32_t* errors, int32_t count);
// The connected bridge address, 0 while not connected.
CAN_API uint32_t sim_can_connected_address();
CAN_API int32_t sim_can_is_connected();

// ---- nodes --------------------------------------------------------------------

// A node that answers CAN_FindNode with status 2 and holds the identity
// object's product code (0x1018/2) and version (0x1018/3, major << 16 | minor).
CAN_API void sim_can_add_node(uint8_t nodeId, uint32_t productId, uint16_t major, uint16_t minor);
// The states CAN_GetNodeState reports, one per call; the last one repeats.
CAN_API void sim_can_set_node_states(uint8_t nodeId, const uint32_t* states, int32_t count);
// The status CAN_FindNode reports for the node (2 for an added node).
CAN_API void sim_can_set_find_status(uint8_t nodeId, uint32_t status);
// An object-dictionary entry: the bytes as they travel on the bus
// (little-endian values).
CAN_API void sim_can_set_entry(uint8_t nodeId, uint16_t index, uint8_t subindex,
                               const void* bytes, uint32_t length);
// Copies an entry into bytes (at most capacity); its length, or -1 when absent.
CAN_API int32_t sim_can_get_entry(uint8_t nodeId, uint16_t index, uint8_t subindex, void* bytes,
                                  uint32_t capacity);
// Makes every transfer of the entry end with this CANopen abort code
// (0 clears it).
CAN_API void sim_can_set_sdo_abort(uint8_t nodeId, uint16_t index, uint8_t subindex,
                                   uint32_t abortCode);

// ---- failures and the call log ----------------------------------------------

// The nth use (counted from 1, from now) of the named call returns result
// instead of doing its work.
CAN_API void sim_can_fail_call(const char* name, int32_t nth, int32_t result);
// The calls made since the last reset or clear, one line each:
// the call's name and its arguments, for example "CAN_SDOWrite 64 0x2002 0 1".
// Copies at most size - 1 characters; returns the full length.
CAN_API int32_t sim_can_log(char* buffer, int32_t size);
CAN_API void sim_can_clear_log();
// How often the named call was made since the last reset.
CAN_API int32_t sim_can_call_count(const char* name);

// ---- delivery -----------------------------------------------------------------

// Queues one PDO; the delivery thread hands it to the PDO handler when its
// identifier is registered and drops it otherwise.
CAN_API void sim_can_queue_pdo(int32_t identifier, const uint8_t* data);
// Queues count PDOs of one identifier whose eight data bytes carry a running
// number, little-endian, starting at first. While a flood is still being
// delivered, its identifier and numbering go on and count is added to it.
CAN_API void sim_can_flood(int32_t identifier, uint64_t first, uint64_t count);
// With stamps on, a flooded PDO carries its running number in data bytes 0-3
// and, in bytes 4-7, the microseconds of std::chrono::steady_clock (modulo
// 2^32) when it was handed to the handler, both little-endian.
CAN_API void sim_can_set_flood_stamps(int32_t on);
CAN_API void sim_can_queue_emcy(int32_t first, int32_t second, const uint8_t* block, uint8_t last);
// Waits until everything queued has been delivered or dropped and no handler
// runs; false after timeout_ms.
CAN_API int32_t sim_can_wait_delivered(int32_t timeout_ms);
// PDOs handed over through CAN_GetPDO, and PDOs dropped as unregistered.
CAN_API uint64_t sim_can_pdos_fetched();
CAN_API uint64_t sim_can_pdos_dropped();
// Reports every PDO announcement as an overrun (nonzero second argument).
CAN_API void sim_can_set_overrun(int32_t on);
