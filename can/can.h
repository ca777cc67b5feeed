// CAN instrument control: the bridge link and node access, the event and PDO
// queues, the sleep mode timer and the encoded zoom set-up.
//
// All bus traffic goes through the closed CAN library (can/can_library.h).
// Its delivery thread hands PDOs and emergency messages to the handlers
// here, which queue them under named locks; can_events_pending, the device
// manager's CAN poll, turns them into CAN events for the host to take.
#pragma once

#include <cstddef>
#include <cstdint>

#include "can/can_library.h"
#include "instrument/instrument.h"

// ---- bridge link and node access --------------------------------------------

// The device handle of the CAN instrument in the device manager.
inline constexpr int64_t CAN_DEVICE_HANDLE = 0x43414E;

// Fixed node IDs.
enum : uint8_t {
    CAN_NODE_ID_BRIDGE = 127,  // also ramps, triggers, sync generator, digital outputs
    CAN_NODE_ID_LED = 61,
    CAN_NODE_ID_BRUSHMOTOR = 63,
    CAN_NODE_ID_ENC_ZOOM = 64,
    CAN_NODE_ID_FOCUS_NDW = 64,
    CAN_NODE_ID_DMI = 48,
    CAN_NODE_ID_Z_CLM = 20,
    CAN_NODE_ID_ROF = 68,
    CAN_NODE_ID_ZOOM_DD = 70,
};

// Maps a CAN library result to an error code (1 is success).
int32_t can_err_to_error(int32_t can_result);

// One SDO transfer. With activity 1 the sleep timer's activity event is
// signalled. A node's abort gives abort_error; a library failure gives the
// mapped CAN error. caller names the operation in messages.
int32_t can_sdo_read2(uint8_t node, uint16_t index, uint8_t subindex, void* buffer,
                      uint32_t length, int32_t activity, int32_t abort_error, const char* caller);
int32_t can_sdo_write2(uint8_t node, uint16_t index, uint8_t subindex, const void* buffer,
                       uint32_t length, int32_t activity, int32_t abort_error, const char* caller);

// Finds the bridge whose MAC address the record holds and fills in its address.
int32_t find_bridge(sys_can_bridge* bridge);

// The file version of the loaded CAN library; both values stay as they are
// when it has none.
void can_get_dll_version(int32_t* major, int32_t* minor);

// Link start-up and bring-up; a failure switches the instrument off again.
// An instrument already on is switched off first.
int32_t can_inst_on(sys_info* info);
// The reverse of can_inst_on; prints "Instrument OFF\n" when it was connected.
void can_inst_off(sys_info* info);
// The instrument switched on, or null.
sys_info* can_inst_current();

// Steps of the start-up that other modules supply. The model bring-up runs
// after the bridge is clear of errors; the wave monitor step runs for system
// types 30, 32 and 33. A null hook (the default) is a step that is not
// present and succeeds.
using can_inst_step = int32_t (*)(sys_info* info);
void can_set_bringup_hook(can_inst_step hook);
void can_set_wave_monitor_hook(can_inst_step hook);

// The pause of the polling waits (bridge search, resets, node polling);
// plat::sleep_ms unless a test installs its own. Null restores it.
using can_sleep_func = void (*)(int32_t milliseconds);
void can_set_sleep_func(can_sleep_func sleep);

bool find_node(uint8_t node, const char* name);
bool wait_for_node_operational(uint8_t node, const char* name);
bool get_operational_node(uint8_t node, const char* name, uint32_t* product_id);

// ---- object-dictionary entries at fixed coordinates ---------------------------

int32_t can_read_productID(uint8_t node, uint32_t* product_id);
int32_t can_read_version(uint8_t node, int32_t* major, int32_t* minor);
int32_t can_read_bridge_status(uint8_t* status);
int32_t can_check_bridge_status(const sys_info* info);
int32_t can_bridge_read_config(const sys_info* info, uint16_t* value);
int32_t can_bridge_write_config(const sys_info* info, uint16_t value);
int32_t can_write_fg_trigger(const sys_info* info, const void* data, uint32_t length);
int32_t can_read_ramp_status(const sys_info* info, uint8_t* status);
int32_t can_ramp_start(const sys_info* info, uint8_t value);
int32_t can_write_ramp_select(const sys_info* info, uint8_t ramp);
int32_t can_write_pifoc_offset(const sys_info* info, uint16_t offset);
int32_t can_write_syncgen(const sys_info* info, uint32_t value);
int32_t can_write_pi_ramp_select(const sys_info* info, uint8_t ramp);
int32_t can_read_pi_ramp_amplitude(const sys_info* info, uint32_t* amplitude);
int32_t can_read_pi_ramp_velocity(const sys_info* info, uint32_t* velocity);
int32_t can_pi_ramp_start(const sys_info* info, uint8_t value);
int32_t can_pi_load_ddl_tables(const sys_info* info, uint8_t value);
int32_t can_read_pi_serial_integer(const sys_info* info, uint16_t* serial);
int32_t can_bridge_read_digitalout(const sys_info* info, uint8_t* value);
int32_t can_bridge_write_digitalout(const sys_info* info, uint8_t value);
int32_t can_set_align_illumination_diode(const sys_info* info, uint8_t value);
int32_t can_write_led_setup(const sys_info* info, uint8_t value);
int32_t can_read_llc(const sys_info* info, uint16_t* level);
int32_t can_write_llc(const sys_info* info, uint16_t level);
int32_t can_write_llc_avgcurlmt(const sys_info* info, uint16_t limit);
int32_t can_write_llc_fwdvlt(const sys_info* info, uint16_t voltage);
int32_t can_write_llc_pwmfreq(const sys_info* info, uint32_t frequency);
int32_t can_read_turret_status(const sys_info* info, uint8_t* status);
int32_t can_read_turret(const sys_info* info, uint8_t* position);
// The zoom position mapped through the zoom position table; sets the last
// zoom position while it is still unknown (255).
int32_t can_read_zoom(const sys_info* info, uint8_t* position);
int32_t can_read_all_zoom(const sys_info* info, uint8_t* values /* 6 bytes */);
int32_t can_get_brmtr_config(const sys_info* info, uint16_t* config);
int32_t can_dmi_read_all_status(const sys_info* info, uint32_t* status);
int32_t can_dmi_reset(const sys_info* info);
int32_t can_dmi_reset_home_required(const sys_info* info, uint16_t value);
int32_t can_dmi_read_capture_buffer_count(const sys_info* info, uint32_t* count);
// Reads the node's capture count, clamped to capacity, then that many values.
int32_t can_dmi_read_capture_buffer_array(const sys_info* info, int32_t* values,
                                          uint32_t capacity, uint32_t* count);
int32_t can_dmi_preset_pos(const sys_info* info, int32_t axis, int32_t position);
int32_t can_dmi_read_pos(const sys_info* info, int32_t axis, int32_t* position);
int32_t mc_set_z_external_closed_loop_enabled(const sys_info* info, uint16_t enabled);
// The optional drives: a unit not found at bring-up is reported and refused.
int32_t can_rof_write_motor1_control(const sys_info* info, uint8_t value);
int32_t can_zoom_dd_write_motor1_control(const sys_info* info, uint8_t value);
int32_t can_ndw_write_motor1_control(const sys_info* info, uint8_t value);

// ---- event and PDO queues -----------------------------------------------------

// An emergency message as the handlers queue it (24 bytes).
struct can_emcy_record {
    int32_t first;
    int32_t second;
    uint8_t block[12];
    uint8_t last;
    uint8_t unused[3];
};
static_assert(sizeof(can_emcy_record) == 24);

// Event types.
enum : int32_t {
    CAN_EVENT_EMERGENCY = 2,
    CAN_EVENT_ZOOM_STOPPED = 3,
    CAN_EVENT_ZOOM_POSITION = 4,
    CAN_EVENT_KEY_1 = 5,
    CAN_EVENT_RING_SPOT_1 = 6,
    CAN_EVENT_RING_SPOT_2 = 7,
    CAN_EVENT_KEY_2 = 8,
    CAN_EVENT_KEY_3 = 9,
    CAN_EVENT_SLEEP = 10,
    CAN_EVENT_ZOOM_MOVING = 12,
    CAN_EVENT_FOCUS = 13,
    CAN_EVENT_TURRET = 14,
};

// Emergency event: type 2 and the six words of the EMCY record (28 bytes).
struct can_emergency_event {
    int32_t type;
    int32_t words[6];
};
// CAN event: type and the five words of the PDO it came from (24 bytes).
struct can_event {
    int32_t type;
    int32_t words[5];
};
static_assert(sizeof(can_emergency_event) == 28 && sizeof(can_event) == 24);

// Creates whichever of the three locks is missing; a lock, once created,
// lives for the rest of the process.
int32_t CanCreateSyncObjects();
// Installs (on) or removes the handlers and the instrument's PDO
// registrations. Off returns once no handler runs, and the handlers take
// nothing more until the next on, even when the library fails to remove them.
int32_t can_register_events(const sys_info* info, bool on);
// Drops the PDO registrations.
void can_events_free_resources();
// The motion wrapper library's delivery path (controller: its mwi_handle): hands mwi_pdo_callback and
// mwi_emcy_callback to the controller (RegisterCanEvents_MWI), replacing an
// earlier registration. A refusal is reported with the library's error text;
// the controller stays usable without CAN events.
int32_t can_mwi_register_events(int64_t controller);
// Takes the callbacks back (UnregisterCanEvents_MWI) and returns once none
// runs; they take nothing more until the next registration, even when the
// library fails to let go of them. Nothing to do without a registration.
void can_mwi_unregister_events();
void ReceivePdoHandler(int32_t count, int32_t overrun);
int32_t ReceiveEmcyHandler(int32_t first, int32_t second, const uint8_t* block, uint8_t last);
int32_t mwi_pdo_callback(int32_t identifier, int32_t word, const uint8_t* data);
int32_t mwi_emcy_callback(int32_t first, int32_t second, int32_t third, uint8_t fourth,
                          const uint8_t* block, uint8_t sixth);
// Drains the records present in the input queues into the output queues;
// true when an output queue holds a record.
bool can_events_pending(sys_info* info);
void can_post_event(const can_event* event);
// Takes the oldest record of an output queue; false when it is empty.
bool can_take_event(can_event* event);
bool can_take_emergency_event(can_emergency_event* event);
// Records dropped because a lock could not be taken or a queue could not grow.
uint64_t can_events_dropped();

// The decoders' state, for the zoom read-out and the wheel commands.
// can_decoder_reset sets the zoom state to 0 and the last zoom position to
// 255 (unknown), as the bring-up does.
void can_decoder_reset();
uint8_t can_last_zoom_position();
// Stores a zoom position read from the drive while the last one is unknown.
void can_decoder_note_zoom_position(uint8_t position);
uint8_t can_ndwheel_status();
// The event the wheel decoder sets when the wheel stops.
inline constexpr const char* CAN_NDWHEEL_STOPPED_EVENT = "CAN_NDWHEEL_STOPPED";

// The device manager's poll of a CAN instrument: can_events_pending on the
// registered instrument record.
int32_t can_queue_poll(int64_t handle, void* context);

// ---- sleep mode timer ---------------------------------------------------------

void sleep_mode_start(const sys_info* info);
// True when a thread was running.
bool sleep_mode_stop();
// Signals the activity event, when the timer runs.
void sleep_mode_activity();
// The length of one timer second in milliseconds (1000); tests shorten it.
void sleep_mode_set_second(int64_t milliseconds);
// How long stop waits for the thread before it abandons it (5000 ms);
// tests shorten it. A negative value restores it.
void sleep_mode_set_stop_wait(int64_t milliseconds);
// The exit code of the last sleep thread that finished.
int32_t sleep_mode_exit_code();
// Sleep threads that have not ended, an abandoned one included.
int32_t sleep_mode_live_threads();
// Sleep events posted (or being posted) since the process started.
uint64_t sleep_mode_posts();

// ---- encoded zoom -------------------------------------------------------------

inline constexpr int ENC_ZOOM_MAX_PAIRS = 100;
inline constexpr int ENC_ZOOM_MIN_PAIRS = 2;

int32_t orvo_enc_zoom_set_backlash(sys_info* info);
int32_t orvo_enc_zoom_set_motion_mode(const sys_info* info);
int32_t orvo_enc_zoom_set_soft_limits(int32_t lower, int32_t upper);
int32_t enc_zoom_check_firmware(const sys_info* info);
// Loads the calibration file into state unless it is unchanged since it was
// loaded. message (size bytes, may be null) receives the description of a
// failure; it is never written past size.
int32_t enc_zoom_load_cal(sys_enc_zoom_state* state, const char* configured_name, char* message,
                          size_t size);
// Parses one file into a new table (count and pairs from gl_MallocFunc).
int32_t enc_zoom_read_cal_file(const char* path, int32_t* count, sys_zoom_cal_pair** pairs,
                               char* message, size_t size);
// Releases the table and the remembered path.
void enc_zoom_free_cal(sys_enc_zoom_state* state);
