// The four CAN queues, their locks, the handlers that fill the input queues
// and the drain that turns input records into events.
//
// The handlers run on the delivering libraries' threads. They never throw and
// never append without the lock: a record they cannot queue is dropped and
// reported. The queues and their locks live for the whole process, so a
// handler never meets a lock that is closed or replaced under it; a handler
// whose delivery path is closed (can_delivery.h) leaves the queues alone.
#include <cstring>
#include <deque>
#include <new>
#include <type_traits>
#include <vector>

#include "can/can.h"
#include "can/can_delivery.h"
#include "can/can_locks.h"
#include "can/can_pdo_decode.h"
#include "errors/errors.h"
#include "motion/motion.h"

// The motion wrapper library takes these two as its CAN event callbacks.
static_assert(std::is_same_v<decltype(&mwi_pdo_callback), mwi_pdo_func>);
static_assert(std::is_same_v<decltype(&mwi_emcy_callback), mwi_emcy_func>);

namespace {

struct can_queues {
    // Input queues. The drain swaps the whole queue out for its spare, so it
    // takes exactly the records present when it began, and capacity is reused.
    std::vector<can_pdo_record> pdo, pdo_spare;
    std::vector<can_emcy_record> emcy, emcy_spare;
    // Output queues.
    std::deque<can_emergency_event> emergency;
    std::deque<can_event> events;
    std::atomic<uint64_t> dropped{0};
};

// Never destroyed: a delivery thread may still append while the process ends.
can_queues& queues() {
    static auto* instance = new can_queues;
    return *instance;
}

void report_drop(const char* writer, const char* why) {
    queues().dropped.fetch_add(1);
    gl_PrintFunc("%s: %s, record dropped\n", writer, why);
}

// Appends one record under the given lock; the result is that of the release.
template <typename Queue, typename Record>
int32_t append_locked(can_lock& lock, Queue& queue, const Record& record, const char* writer) {
    if (!can_lock_take(lock)) {
        report_drop(writer, "cannot take the queue lock");
        return 0;
    }
    try {
        queue.push_back(record);
    } catch (const std::bad_alloc&) {
        can_lock_release(lock);
        report_drop(writer, "no memory to grow the queue");
        return 0;
    }
    can_lock_release(lock);
    return 1;
}

// Appends to an output queue; the event lock is held.
template <typename Queue, typename Record>
void append_output(Queue& queue, const Record& record) {
    try {
        queue.push_back(record);
    } catch (const std::bad_alloc&) {
        report_drop("can_events_pending", "no memory to grow the queue");
    }
}

// The PDOs fetched before the lock is taken once for all of them.
constexpr int32_t kFetchBatch = 64;

}  // namespace

can_lock& can_event_lock() {
    static can_lock lock{"TeskCanEventMutex"};
    return lock;
}
can_lock& can_pdo_lock() {
    static can_lock lock{"TeskPdoQueueMutex"};
    return lock;
}
can_lock& can_emcy_lock() {
    static can_lock lock{"TeskEmcyQueueMutex"};
    return lock;
}

bool can_lock_take(can_lock& lock) {
    const plat::event_handle handle = lock.handle.load();
    return handle != nullptr && plat::wait_event(handle, plat::kWaitForever) == plat::wait_result::signalled;
}

void can_lock_release(can_lock& lock) {
    const plat::event_handle handle = lock.handle.load();
    if (handle != nullptr) plat::set_event(handle);
}

int32_t CanCreateSyncObjects() {
    // Only missing locks are created, and none is ever closed: replacing one
    // while a delivery thread appends would let two threads into one queue
    // under different locks.
    static constexpr struct {
        can_lock& (*lock)();
        const char* message;
    } kLocks[] = {
        {can_event_lock, "CanCreateSyncObjects: Cannot create CanEventMutex\n"},
        {can_pdo_lock, "CanCreateSyncObjects: Cannot create PdoQueueMutex\n"},
        {can_emcy_lock, "CanCreateSyncObjects: Cannot create EmcyQueueMutex\n"},
    };
    for (const auto& entry : kLocks) {
        can_lock& lock = entry.lock();
        if (lock.handle.load() != nullptr) continue;
        const plat::event_handle handle = plat::create_event(lock.name, false, true);
        if (handle == nullptr) {
            gl_PrintFunc("%s", entry.message);
            return ERR_UNKNOWN;
        }
        plat::event_handle none = nullptr;
        if (!lock.handle.compare_exchange_strong(none, handle)) plat::close_event(handle);
    }
    return NO_ERROR;
}

int32_t can_register_events(const sys_info* info, bool on) {
    int32_t r = CAN_OK;
    if (on) {
        CanCreateSyncObjects();
        can_library_path().open();
        r = CAN_RegisterEvents(ReceivePdoHandler, ReceiveEmcyHandler);
        if (r == CAN_OK) {
            can_register_pdos(info);
            return NO_ERROR;
        }
    } else {
        r = CAN_RegisterEvents(nullptr, nullptr);
        // Whether or not the library let go of the handlers, they take
        // nothing more, and one that runs now finishes first.
        can_library_path().close();
        if (r == CAN_OK) r = CAN_UnregisterPDOs();
        if (r == CAN_OK) return NO_ERROR;
    }
    gl_PrintFunc("can_register_events canErr = %d\n", r);
    return can_err_to_error(r);
}

void can_events_free_resources() {
    const int32_t r = CAN_UnregisterPDOs();
    if (r != CAN_OK) gl_PrintFunc("can_events_free_resources canErr = %d\n", r);
}

void ReceivePdoHandler(int32_t count, int32_t overrun) {
    const can_delivery_call call(can_library_path());
    if (!call.admitted()) return;
    if (overrun != 0) gl_PrintFunc("ReceivePdo overrun.\n");
    can_pdo_record batch[kFetchBatch];
    while (count > 0) {
        int32_t fetched = 0;
        const int32_t chunk = count < kFetchBatch ? count : kFetchBatch;
        for (int32_t i = 0; i < chunk; ++i) {
            const int32_t r = CAN_GetPDO(&batch[fetched]);
            if (r != CAN_OK)
                gl_PrintFunc("ReceivePdoHandler canErr = %d\n", r);
            else
                ++fetched;
        }
        count -= chunk;
        if (fetched == 0) continue;
        can_queues& q = queues();
        if (!can_lock_take(can_pdo_lock())) {
            for (int32_t i = 0; i < fetched; ++i) report_drop("ReceivePdoHandler", "cannot take the queue lock");
            continue;
        }
        try {
            q.pdo.insert(q.pdo.end(), batch, batch + fetched);
        } catch (const std::bad_alloc&) {
            can_lock_release(can_pdo_lock());
            for (int32_t i = 0; i < fetched; ++i) report_drop("ReceivePdoHandler", "no memory to grow the queue");
            continue;
        }
        can_lock_release(can_pdo_lock());
    }
}

int32_t ReceiveEmcyHandler(int32_t first, int32_t second, const uint8_t* block, uint8_t last) {
    const can_delivery_call call(can_library_path());
    if (!call.admitted()) return 0;
    can_emcy_record record{};
    record.first = first;
    record.second = second;
    if (block != nullptr) std::memcpy(record.block, block, sizeof record.block);
    record.last = last;
    return append_locked(can_emcy_lock(), queues().emcy, record, "ReceiveEmcyHandler");
}

int32_t mwi_pdo_callback(int32_t identifier, int32_t word, const uint8_t* data) {
    const can_delivery_call call(can_mwi_path());
    if (!call.admitted()) return 0;
    can_pdo_record record{};
    record.identifier = identifier;
    record.word2 = word;
    if (data != nullptr) std::memcpy(record.data, data, sizeof record.data);
    return append_locked(can_pdo_lock(), queues().pdo, record, "mwi_pdo_callback");
}

int32_t mwi_emcy_callback(int32_t first, int32_t second, int32_t third, uint8_t fourth,
                          const uint8_t* block, uint8_t sixth) {
    const can_delivery_call call(can_mwi_path());
    if (!call.admitted()) return 0;
    can_emcy_record record{};
    record.first = first;
    record.second = second;
    std::memcpy(record.block, &third, sizeof third);
    record.block[4] = fourth;
    if (block != nullptr) std::memcpy(record.block + 5, block, 5);
    record.last = sixth;
    return append_locked(can_emcy_lock(), queues().emcy, record, "mwi_emcy_callback");
}

bool can_events_pending(sys_info* info) {
    if (!can_lock_take(can_event_lock())) return false;
    can_queues& q = queues();

    if (can_lock_take(can_emcy_lock())) {
        q.emcy.swap(q.emcy_spare);
        can_lock_release(can_emcy_lock());
    }
    for (const can_emcy_record& record : q.emcy_spare) {
        can_emergency_event event{};
        event.type = CAN_EVENT_EMERGENCY;
        std::memcpy(event.words, &record, sizeof event.words);
        append_output(q.emergency, event);
    }
    q.emcy_spare.clear();
    const bool emergencies = !q.emergency.empty();

    if (can_lock_take(can_pdo_lock())) {
        q.pdo.swap(q.pdo_spare);
        can_lock_release(can_pdo_lock());
    }
    for (const can_pdo_record& record : q.pdo_spare) {
        int32_t types[CAN_MAX_PDO_EVENTS];
        const size_t n = can_pdo_events(info, record, types);
        for (size_t i = 0; i < n; ++i) {
            can_event event{};
            event.type = types[i];
            std::memcpy(event.words, &record, sizeof event.words);
            append_output(q.events, event);
        }
    }
    q.pdo_spare.clear();
    const bool events = !q.events.empty();
    can_lock_release(can_event_lock());
    return emergencies || events;
}

void can_post_event(const can_event* event) {
    if (event != nullptr) append_locked(can_event_lock(), queues().events, *event, "can_post_event");
}

namespace {

// Takes the oldest record of an output queue under the event lock.
template <typename Queue, typename Record>
bool take_front(Queue& queue, Record* out) {
    if (out == nullptr || !can_lock_take(can_event_lock())) return false;
    const bool any = !queue.empty();
    if (any) {
        *out = queue.front();
        queue.pop_front();
    }
    can_lock_release(can_event_lock());
    return any;
}

}  // namespace

bool can_take_event(can_event* event) { return take_front(queues().events, event); }

bool can_take_emergency_event(can_emergency_event* event) {
    return take_front(queues().emergency, event);
}

uint64_t can_events_dropped() { return queues().dropped.load(); }

int32_t can_queue_poll(int64_t /*handle*/, void* context) {
    return can_events_pending(static_cast<sys_info*>(context)) ? 1 : 0;
}
