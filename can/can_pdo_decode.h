// The PDO registrations and decoders of each group of system types.
#pragma once

#include <cstddef>
#include <cstdint>

#include "can/can.h"

// Registers the PDOs the instrument's decoders read.
void can_register_pdos(const sys_info* info);

// The most events one PDO can yield.
inline constexpr size_t CAN_MAX_PDO_EVENTS = 4;

// Decodes one PDO into event types; returns how many. Runs under the event
// lock, which also guards the decoders' own state.
size_t can_pdo_events(sys_info* info, const can_pdo_record& pdo,
                      int32_t types[CAN_MAX_PDO_EVENTS]);

// The zoom position of the drive's position byte; false for a byte outside
// the table (above 7).
bool can_zoom_position(uint8_t raw, uint8_t* position);
