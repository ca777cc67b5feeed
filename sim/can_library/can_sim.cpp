// The simulated CAN library: a bridge, its nodes with their object
// dictionaries, and a delivery thread that calls the registered handlers.
//
// All state sits under one mutex. The delivery thread never holds it while a
// handler runs, so a handler may call back into the library (CAN_GetPDO) and
// a test may change the state while a handler runs.
#include "sim/can_library/can_sim.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "scan/scan.h"
#include "sim/scanner/ramp_scan.h"

namespace {

using entry_key = std::tuple<uint8_t, uint16_t, uint8_t>;

struct node_state {
    uint32_t find_status = 2;
    std::vector<uint32_t> states{CAN_NODE_OPERATIONAL};
    size_t next_state = 0;
};

struct call_counter {
    int32_t uses = 0;
    int32_t fail_at = 0;  // 0: never
    int32_t result = 0;
};

struct queued_item {
    bool is_pdo;
    can_pdo_record pdo;
    int32_t first, second;
    uint8_t block[12];
    uint8_t last;
};

// The most PDOs announced to the handler at once.
constexpr size_t kBatch = 64;

struct sim_state {
    std::mutex lock;
    std::condition_variable changed;
    // Bridge.
    std::vector<can_bridge_entry> bridges;
    int32_t enumerate_result = INT32_MIN;
    uint8_t fw_major = 1, fw_minor = 0;
    uint8_t config_node = 127;
    uint32_t config_value = 1000;
    std::deque<uint32_t> bridge_errors;
    uint32_t connected = 0;
    bool is_connected = false;
    // Nodes.
    std::map<uint8_t, node_state> nodes;
    std::map<entry_key, std::vector<uint8_t>> entries;
    std::map<entry_key, uint32_t> aborts;
    // Failures and log.
    std::map<std::string, call_counter> calls;
    std::string log;
    // Delivery.
    can_pdo_handler pdo_handler = nullptr;
    can_emcy_handler emcy_handler = nullptr;
    std::set<int32_t> registered;
    std::deque<queued_item> queue;
    int32_t flood_id = 0;
    uint64_t flood_next = 0, flood_left = 0;
    std::deque<can_pdo_record> fetchable;  // announced, not yet fetched
    bool in_handler = false;
    bool overrun = false;
    bool stamps = false;
    uint64_t fetched = 0, dropped = 0;
    std::thread::id delivery_id;
    bool thread_started = false;
    // Where the calls also go, line by line, when the instrument
    // description names a log file.
    std::FILE* log_file = nullptr;
    // Ramp starts publish their scans to SIM_SCAN_FILE unless this is off.
    bool publish_scans = true;
    int64_t ramp_end_ns = 0;  // on the scan clock, while a ramp runs
};

void add_node(sim_state& s, uint8_t nodeId, uint32_t productId, uint16_t major, uint16_t minor);

// One line of the instrument description; false for a line it does not take.
bool describe(sim_state& s, const char* line) {
    unsigned m[6], ip[4], a = 0, b = 0, c = 0, d = 0;
    char path[1024];
    if (std::sscanf(line, " bridge %x:%x:%x:%x:%x:%x %u.%u.%u.%u", &m[0], &m[1], &m[2], &m[3],
                    &m[4], &m[5], &ip[0], &ip[1], &ip[2], &ip[3]) == 10) {
        can_bridge_entry entry{};
        for (int i = 0; i < 6; ++i) entry.macAddress[i] = static_cast<uint8_t>(m[i]);
        for (int i = 0; i < 4; ++i) entry.ipAddress[i] = static_cast<uint8_t>(ip[i]);
        s.bridges.push_back(entry);
    } else if (std::sscanf(line, " firmware %u %u", &a, &b) == 2) {
        s.fw_major = static_cast<uint8_t>(a);
        s.fw_minor = static_cast<uint8_t>(b);
    } else if (std::sscanf(line, " node %u %x %u %u", &a, &b, &c, &d) == 4 && a < CAN_NODE_COUNT) {
        add_node(s, static_cast<uint8_t>(a), b, static_cast<uint16_t>(c), static_cast<uint16_t>(d));
    } else if (std::sscanf(line, " abort %u %x %u %x", &a, &b, &c, &d) == 4 && a < CAN_NODE_COUNT) {
        s.aborts[{static_cast<uint8_t>(a), static_cast<uint16_t>(b), static_cast<uint8_t>(c)}] = d;
    } else if (std::strncmp(line, "no_scan", 7) == 0) {
        s.publish_scans = false;
    } else if (std::sscanf(line, " log %1023[^\r\n]", path) == 1) {
        if (s.log_file != nullptr) std::fclose(s.log_file);
        s.log_file = std::fopen(path, "ab");
    } else {
        return false;
    }
    return true;
}

// Sets up the bridge and nodes from the instrument description named by
// CAN_SIM_INSTRUMENT_ENV, if any: a program that links the CAN module then
// finds an instrument without a test setting it up.
void load_description(sim_state& s) {
    const char* name = std::getenv(CAN_SIM_INSTRUMENT_ENV);
    if (name == nullptr || name[0] == '\0') return;
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "simulated CAN library: cannot open %s\n", name);
        return;
    }
    char line[1200];
    int number = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        ++number;
        const char* first = line + std::strspn(line, " \t");
        if (*first == '#' || *first == '\r' || *first == '\n' || *first == '\0') continue;
        if (!describe(s, first))
            std::fprintf(stderr, "simulated CAN library: %s line %d not understood\n", name, number);
    }
    std::fclose(file);
}

// Never destroyed: the delivery thread runs until the process ends.
sim_state& state() {
    static auto* instance = [] {
        auto* created = new sim_state;
        load_description(*created);
        return created;
    }();
    return *instance;
}

// Counts and logs one call; a nonzero result is the injected failure.
int32_t enter_call(sim_state& s, const char* name, const std::string& args = std::string()) {
    s.log += name;
    if (!args.empty()) s.log += ' ' + args;
    s.log += '\n';
    if (s.log_file != nullptr) {
        std::fprintf(s.log_file, "%s%s%s\n", name, args.empty() ? "" : " ", args.c_str());
        std::fflush(s.log_file);
    }
    call_counter& c = s.calls[name];
    ++c.uses;
    if (c.fail_at != 0 && c.uses == c.fail_at) return c.result;
    return 0;
}

// The arguments of a call as the log shows them.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string args_text(const char* format, ...) {
    char text[160];
    va_list list;
    va_start(list, format);
    std::vsnprintf(text, sizeof text, format, list);
    va_end(list);
    return text;
}

bool work_waiting(const sim_state& s) {
    return s.pdo_handler != nullptr && (!s.queue.empty() || s.flood_left > 0);
}

// Takes the next batch of registered PDOs (dropping unregistered ones) or
// one emergency message off the queue; the lock is held.
size_t take_batch(sim_state& s, queued_item* emcy, bool* is_emcy) {
    *is_emcy = false;
    size_t count = 0;
    while (count < kBatch) {
        if (s.flood_left > 0 && s.queue.empty()) {
            if (s.registered.count(s.flood_id) == 0) {
                s.dropped += s.flood_left;
                s.flood_left = 0;
                break;
            }
            can_pdo_record pdo{};
            pdo.identifier = s.flood_id;
            uint64_t payload = s.flood_next;
            if (s.stamps) {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
                payload = (s.flood_next & 0xFFFFFFFF) | (static_cast<uint64_t>(micros) << 32);
            }
            for (int i = 0; i < 8; ++i) pdo.data[i] = static_cast<uint8_t>(payload >> (8 * i));
            ++s.flood_next;
            --s.flood_left;
            s.fetchable.push_back(pdo);
            ++count;
            continue;
        }
        if (s.queue.empty()) break;
        queued_item& item = s.queue.front();
        if (!item.is_pdo) {
            if (count > 0) break;
            if (s.emcy_handler != nullptr) {
                *emcy = item;
                *is_emcy = true;
            }
            s.queue.pop_front();
            break;
        }
        if (s.registered.count(item.pdo.identifier) != 0) {
            s.fetchable.push_back(item.pdo);
            ++count;
        } else {
            ++s.dropped;
        }
        s.queue.pop_front();
    }
    return count;
}

void delivery_thread() {
    sim_state& s = state();
    std::unique_lock<std::mutex> guard(s.lock);
    for (;;) {
        s.changed.wait(guard, [&] { return work_waiting(s); });
        queued_item emcy{};
        bool is_emcy = false;
        const size_t count = take_batch(s, &emcy, &is_emcy);
        const can_pdo_handler pdo = s.pdo_handler;
        const can_emcy_handler emcy_call = s.emcy_handler;
        const int32_t overrun = s.overrun ? 1 : 0;
        if (count == 0 && !is_emcy) {
            s.changed.notify_all();
            continue;
        }
        s.in_handler = true;
        guard.unlock();
        if (is_emcy)
            emcy_call(emcy.first, emcy.second, emcy.block, emcy.last);
        else
            pdo(static_cast<int32_t>(count), overrun);
        guard.lock();
        s.in_handler = false;
        s.fetchable.clear();  // announced but never fetched: lost, as on the bus
        s.changed.notify_all();
    }
}

void start_delivery(sim_state& s) {
    if (s.thread_started) return;
    s.thread_started = true;
    std::thread worker(delivery_thread);
    s.delivery_id = worker.get_id();
    worker.detach();
}

// Waits for a handler call in progress, unless the delivery thread asks.
void wait_handler_done(sim_state& s, std::unique_lock<std::mutex>& guard) {
    if (std::this_thread::get_id() == s.delivery_id) return;
    s.changed.wait(guard, [&] { return !s.in_handler; });
}

std::vector<uint8_t>* find_entry(sim_state& s, uint8_t node, uint16_t index, uint8_t sub) {
    const auto found = s.entries.find({node, index, sub});
    return found == s.entries.end() ? nullptr : &found->second;
}

// The abort code of a transfer to a node entry, 0 when it goes through.
uint32_t sdo_abort(sim_state& s, uint8_t node, uint16_t index, uint8_t sub, bool reading) {
    const auto abort = s.aborts.find({node, index, sub});
    if (abort != s.aborts.end() && abort->second != 0) return abort->second;
    if (reading && find_entry(s, node, index, sub) == nullptr) return 0x06020000;  // no object
    return 0;
}

}  // namespace

// ---- the library's calls ------------------------------------------------------

CAN_API int32_t CAN_EnumerateBridges(can_bridge_entry* bridges, int32_t capacity) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_EnumerateBridges", args_text("%d", capacity))) return r;
    const size_t room = capacity > 0 ? static_cast<size_t>(capacity) : 0;
    const size_t written = std::min(room, s.bridges.size());
    if (bridges != nullptr) std::copy_n(s.bridges.begin(), written, bridges);
    return s.enumerate_result != INT32_MIN ? s.enumerate_result : static_cast<int32_t>(written);
}

CAN_API int32_t CAN_Connect(uint32_t ipAddress) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_Connect", args_text("0x%08X", ipAddress))) return r;
    s.connected = ipAddress;
    s.is_connected = true;
    return CAN_OK;
}

CAN_API int32_t CAN_Disconnect() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_Disconnect")) return r;
    s.connected = 0;
    s.is_connected = false;
    return CAN_OK;
}

CAN_API int32_t CAN_GetFirmwareVersion(uint8_t* major, uint8_t* minor) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_GetFirmwareVersion")) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    *major = s.fw_major;
    *minor = s.fw_minor;
    return CAN_OK;
}

CAN_API int32_t CAN_GetBridgeConfiguration(uint8_t* nodeId, uint32_t* bitRateKbit) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_GetBridgeConfiguration")) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    *nodeId = s.config_node;
    *bitRateKbit = s.config_value;
    return CAN_OK;
}

CAN_API int32_t CAN_SetBridgeConfiguration(uint8_t nodeId, uint32_t bitRateKbit) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_SetBridgeConfiguration", args_text("%u %u", nodeId, bitRateKbit)))
        return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    s.config_node = nodeId;
    s.config_value = bitRateKbit;
    s.is_connected = false;  // the bridge restarts with its new configuration
    return CAN_OK;
}

CAN_API int32_t CAN_GetLastBridgeError(uint32_t* error) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_GetLastBridgeError")) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    *error = 0;
    if (!s.bridge_errors.empty()) {
        *error = s.bridge_errors.front();
        s.bridge_errors.pop_front();
    }
    return CAN_OK;
}

CAN_API int32_t CAN_ResetBridge() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_ResetBridge")) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    s.is_connected = false;
    return CAN_OK;
}

CAN_API int32_t CAN_FindNode(uint8_t nodeId, uint32_t* status) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_FindNode", args_text("%u", nodeId))) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    const auto node = s.nodes.find(nodeId);
    *status = node == s.nodes.end() ? 0 : node->second.find_status;
    return CAN_OK;
}

CAN_API int32_t CAN_GetNodeState(uint8_t nodeId, uint32_t* nodeState) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_GetNodeState", args_text("%u", nodeId))) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    const auto found = s.nodes.find(nodeId);
    if (found == s.nodes.end()) return CAN_ERR_TIMEOUT;
    node_state& node = found->second;
    *nodeState = node.states[std::min(node.next_state, node.states.size() - 1)];
    ++node.next_state;
    return CAN_OK;
}

CAN_API int32_t CAN_EnumerateNodes(uint32_t* states) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_EnumerateNodes")) return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    std::fill_n(states, CAN_NODE_COUNT, 0u);
    for (const auto& [id, node] : s.nodes)
        if (id < CAN_NODE_COUNT) states[id] = node.states[std::min(node.next_state, node.states.size() - 1)];
    return CAN_OK;
}

// The bridge's ramp generator: ramp start 1 runs the selected slot's ramp
// (its entries as scan/scan.h lays them out) and publishes the scan it
// makes; the ramp status reads 0 again once the samples have run out.
constexpr uint8_t kRampNode = 127;
constexpr entry_key kRampStartEntry{kRampNode, 0x2000, 0};
constexpr entry_key kRampSelectEntry{kRampNode, 0x2001, 0};
constexpr entry_key kFgTriggerEntry{kRampNode, 0x2010, 5};

const std::vector<uint8_t>* ramp_entry(sim_state& s, uint8_t slot, uint8_t subindex, size_t size) {
    const auto found =
        s.entries.find({kRampNode, static_cast<uint16_t>(SCAN_CAN_RAMP_INDEX + slot), subindex});
    if (found == s.entries.end() || found->second.size() < size) return nullptr;
    return &found->second;
}

void run_ramp(sim_state& s) {
    const auto select = s.entries.find(kRampSelectEntry);
    const auto trigger_entry = s.entries.find(kFgTriggerEntry);
    if (select == s.entries.end() || select->second.empty() || trigger_entry == s.entries.end() ||
        trigger_entry->second.size() < static_cast<size_t>(SCAN_CAN_TRIGGER_SIZE)) {
        return;
    }
    const uint8_t slot = select->second[0];
    const std::vector<uint8_t>* data = ramp_entry(s, slot, SCAN_CAN_RAMP_DATA_SUB, 0);
    const std::vector<uint8_t>* rate = ramp_entry(s, slot, SCAN_CAN_RAMP_RATE_SUB, 4);
    const std::vector<uint8_t>* start = ramp_entry(s, slot, SCAN_CAN_RAMP_TRIGGER_SUB, 2);
    if (data == nullptr || rate == nullptr || start == nullptr) return;
    std::vector<uint16_t> values(data->size() / 2);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<uint16_t>((*data)[2 * i] | (*data)[2 * i + 1] << 8);
    uint32_t rate_bits = 0;
    for (int i = 0; i < 4; ++i) rate_bits |= uint32_t{(*rate)[static_cast<size_t>(i)]} << (8 * i);
    float rate_khz = 0;
    std::memcpy(&rate_khz, &rate_bits, sizeof rate_khz);
    const scan_can_trigger trigger = scan_unpack_can_trigger(trigger_entry->second.data());
    sim::ramp_timing timing;
    timing.ramp_type = trigger.rampType;
    timing.trig_start = (*start)[0] | (*start)[1] << 8;
    timing.n_buckets = trigger.nBuckets;
    timing.grab_skip = trigger.grabSkip;
    timing.camera_rate_hz = trigger.cameraRate;
    timing.sample_rate_khz = rate_khz;
    timing.offset = trigger.offset;
    sim::scan_state scan;
    if (!sim::compute_ramp_scan(timing, values, &scan)) return;
    const double seconds = static_cast<double>(values.size()) / (1000.0 * timing.sample_rate_khz);
    s.ramp_end_ns = sim::scan_clock_ns() + std::llround(seconds * 1e9);
    const char* file = std::getenv(sim::SIM_SCAN_FILE_ENV);
    if (s.publish_scans && file != nullptr && file[0] != '\0') sim::publish_scan(file, scan);
}

// The ramp status as it stands now: 0 (idle) until a ramp starts and once
// its samples have run out.
void update_ramp_status(sim_state& s) {
    std::vector<uint8_t>& status = s.entries[kRampStartEntry];
    if (status.empty() || (s.ramp_end_ns != 0 && sim::scan_clock_ns() >= s.ramp_end_ns)) {
        status.assign(1, 0);
        s.ramp_end_ns = 0;
    }
}

CAN_API int32_t CAN_SDORead(uint8_t nodeId, uint16_t index, uint8_t subindex, void* buffer,
                            uint32_t length, can_sdo_result* result) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r =
            enter_call(s, "CAN_SDORead", args_text("%u 0x%04X %u %u", nodeId, index, subindex, length)))
        return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    if (s.nodes.count(nodeId) == 0) return CAN_ERR_TIMEOUT;
    *result = can_sdo_result{};
    if (entry_key{nodeId, index, subindex} == kRampStartEntry) update_ramp_status(s);
    result->abortCode = sdo_abort(s, nodeId, index, subindex, true);
    result->result = result->abortCode == 0 ? 1 : 0;
    if (result->result == 1) {
        const std::vector<uint8_t>& bytes = *find_entry(s, nodeId, index, subindex);
        if (bytes.size() > length) return CAN_ERR_BUFFER_TOO_SMALL;
        std::memset(buffer, 0, length);
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(buffer));
    }
    return CAN_OK;
}

CAN_API int32_t CAN_SDOWrite(uint8_t nodeId, uint16_t index, uint8_t subindex, const void* buffer,
                             uint32_t length, can_sdo_result* result) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    // The first bytes written, little-endian, so that tests see the value.
    uint32_t value = 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (uint32_t i = 0; i < std::min<uint32_t>(length, 4); ++i) value |= uint32_t{bytes[i]} << (8 * i);
    if (const int32_t r = enter_call(s, "CAN_SDOWrite", args_text("%u 0x%04X %u %u %u", nodeId, index,
                                     subindex, length, value)))
        return r;
    if (!s.is_connected) return CAN_ERR_NOT_CONNECTED;
    if (s.nodes.count(nodeId) == 0) return CAN_ERR_TIMEOUT;
    *result = can_sdo_result{};
    result->abortCode = sdo_abort(s, nodeId, index, subindex, false);
    result->result = result->abortCode == 0 ? 1 : 0;
    if (result->result == 1) {
        s.entries[{nodeId, index, subindex}].assign(bytes, bytes + length);
        if (entry_key{nodeId, index, subindex} == kRampStartEntry) {
            s.ramp_end_ns = 0;
            if (length > 0 && bytes[0] != 0) run_ramp(s);
        }
    }
    return CAN_OK;
}

CAN_API int32_t CAN_RegisterEvents(can_pdo_handler pdo, can_emcy_handler emcy) {
    sim_state& s = state();
    std::unique_lock<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_RegisterEvents", pdo != nullptr ? "on" : "off")) return r;
    s.pdo_handler = pdo;
    s.emcy_handler = emcy;
    if (pdo != nullptr) start_delivery(s);
    s.changed.notify_all();
    if (pdo == nullptr) wait_handler_done(s, guard);
    return CAN_OK;
}

CAN_API int32_t CAN_GetPDO(can_pdo_record* pdo) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    // Not logged: a flood would fill the log; tests count fetched PDOs instead.
    call_counter& c = s.calls["CAN_GetPDO"];
    ++c.uses;
    if (c.fail_at != 0 && c.uses == c.fail_at) {
        if (!s.fetchable.empty()) s.fetchable.pop_front();
        return c.result;
    }
    if (s.fetchable.empty()) return CAN_ERR_NO_PDO;
    *pdo = s.fetchable.front();
    s.fetchable.pop_front();
    ++s.fetched;
    return CAN_OK;
}

CAN_API int32_t CAN_RegisterPDO(const can_pdo_record* pdo) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_RegisterPDO", args_text("0x%03X", pdo->identifier))) return r;
    s.registered.insert(pdo->identifier);
    return CAN_OK;
}

CAN_API int32_t CAN_UnregisterPDOs() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (const int32_t r = enter_call(s, "CAN_UnregisterPDOs")) return r;
    s.registered.clear();
    return CAN_OK;
}

// ---- test controls ------------------------------------------------------------

CAN_API int32_t sim_can_describe(const char* line) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    return line != nullptr && describe(s, line) ? 1 : 0;
}

CAN_API void sim_can_reset() {
    sim_state& s = state();
    std::unique_lock<std::mutex> guard(s.lock);
    s.pdo_handler = nullptr;
    s.emcy_handler = nullptr;
    wait_handler_done(s, guard);
    s.bridges.clear();
    s.enumerate_result = INT32_MIN;
    s.fw_major = 1;
    s.fw_minor = 0;
    s.config_node = 127;
    s.config_value = 1000;
    s.bridge_errors.clear();
    s.connected = 0;
    s.is_connected = false;
    s.nodes.clear();
    s.entries.clear();
    s.aborts.clear();
    s.publish_scans = true;
    s.ramp_end_ns = 0;
    s.calls.clear();
    s.log.clear();
    s.registered.clear();
    s.queue.clear();
    s.flood_left = 0;
    s.fetchable.clear();
    s.overrun = false;
    s.stamps = false;
    s.fetched = 0;
    s.dropped = 0;
}

CAN_API void sim_can_add_bridge(const uint8_t* mac, const uint8_t* ip) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    can_bridge_entry entry{};
    std::memcpy(entry.ipAddress, ip, 4);
    std::memcpy(entry.macAddress, mac, 6);
    s.bridges.push_back(entry);
}

CAN_API void sim_can_set_enumerate_result(int32_t result) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.enumerate_result = result;
}

CAN_API void sim_can_set_firmware(uint8_t major, uint8_t minor) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.fw_major = major;
    s.fw_minor = minor;
}

CAN_API void sim_can_set_bridge_config(uint8_t nodeId, uint32_t value) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.config_node = nodeId;
    s.config_value = value;
}

CAN_API void sim_can_set_bridge_errors(const uint32_t* errors, int32_t count) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.bridge_errors.assign(errors, errors + std::max(count, 0));
}

CAN_API uint32_t sim_can_connected_address() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    return s.is_connected ? s.connected : 0;
}

CAN_API int32_t sim_can_is_connected() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    return s.is_connected ? 1 : 0;
}

CAN_API void sim_can_add_node(uint8_t nodeId, uint32_t productId, uint16_t major, uint16_t minor) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    add_node(s, nodeId, productId, major, minor);
}

namespace {

void add_node(sim_state& s, uint8_t nodeId, uint32_t productId, uint16_t major, uint16_t minor) {
    s.nodes[nodeId] = node_state{};
    const uint32_t version = uint32_t{major} << 16 | minor;
    std::vector<uint8_t> product(4), ver(4);
    for (int i = 0; i < 4; ++i) {
        product[static_cast<size_t>(i)] = static_cast<uint8_t>(productId >> (8 * i));
        ver[static_cast<size_t>(i)] = static_cast<uint8_t>(version >> (8 * i));
    }
    s.entries[{nodeId, 0x1018, 2}] = product;
    s.entries[{nodeId, 0x1018, 3}] = ver;
}

}  // namespace

CAN_API void sim_can_set_node_states(uint8_t nodeId, const uint32_t* states, int32_t count) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (count <= 0) return;
    node_state& node = s.nodes[nodeId];
    node.states.assign(states, states + count);
    node.next_state = 0;
}

CAN_API void sim_can_set_find_status(uint8_t nodeId, uint32_t status) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.nodes[nodeId].find_status = status;
}

CAN_API void sim_can_set_entry(uint8_t nodeId, uint16_t index, uint8_t subindex, const void* bytes,
                               uint32_t length) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    const auto* first = static_cast<const uint8_t*>(bytes);
    s.entries[{nodeId, index, subindex}].assign(first, first + length);
}

CAN_API int32_t sim_can_get_entry(uint8_t nodeId, uint16_t index, uint8_t subindex, void* bytes,
                                  uint32_t capacity) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    const std::vector<uint8_t>* entry = find_entry(s, nodeId, index, subindex);
    if (entry == nullptr) return -1;
    std::copy_n(entry->begin(), std::min<size_t>(capacity, entry->size()), static_cast<uint8_t*>(bytes));
    return static_cast<int32_t>(entry->size());
}

CAN_API void sim_can_set_sdo_abort(uint8_t nodeId, uint16_t index, uint8_t subindex,
                                   uint32_t abortCode) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.aborts[{nodeId, index, subindex}] = abortCode;
}

CAN_API void sim_can_fail_call(const char* name, int32_t nth, int32_t result) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    call_counter& c = s.calls[name];
    c.fail_at = c.uses + nth;
    c.result = result;
}

CAN_API int32_t sim_can_log(char* buffer, int32_t size) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min(s.log.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, s.log.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int32_t>(s.log.size());
}

CAN_API void sim_can_clear_log() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.log.clear();
}

CAN_API int32_t sim_can_call_count(const char* name) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    const auto found = s.calls.find(name);
    return found == s.calls.end() ? 0 : found->second.uses;
}

CAN_API void sim_can_queue_pdo(int32_t identifier, const uint8_t* data) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    queued_item item{};
    item.is_pdo = true;
    item.pdo.identifier = identifier;
    std::memcpy(item.pdo.data, data, 8);
    s.queue.push_back(item);
    s.changed.notify_all();
}

CAN_API void sim_can_flood(int32_t identifier, uint64_t first, uint64_t count) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    if (s.flood_left == 0) {
        s.flood_id = identifier;
        s.flood_next = first;
    }
    s.flood_left += count;
    s.changed.notify_all();
}

CAN_API void sim_can_queue_emcy(int32_t first, int32_t second, const uint8_t* block, uint8_t last) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    queued_item item{};
    item.first = first;
    item.second = second;
    std::memcpy(item.block, block, 12);
    item.last = last;
    s.queue.push_back(item);
    s.changed.notify_all();
}

CAN_API int32_t sim_can_wait_delivered(int32_t timeout_ms) {
    sim_state& s = state();
    std::unique_lock<std::mutex> guard(s.lock);
    return s.changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), [&] {
        return !s.in_handler && (s.pdo_handler == nullptr || (s.queue.empty() && s.flood_left == 0));
    }) ? 1 : 0;
}

CAN_API uint64_t sim_can_pdos_fetched() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    return s.fetched;
}

CAN_API uint64_t sim_can_pdos_dropped() {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    return s.dropped;
}

CAN_API void sim_can_set_overrun(int32_t on) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.overrun = on != 0;
}

CAN_API void sim_can_set_flood_stamps(int32_t on) {
    sim_state& s = state();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.stamps = on != 0;
}
