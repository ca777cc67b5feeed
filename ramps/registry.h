// The ramp registry's load in steps: the working table that a load fills,
// and the steps that fill, complete and install it. Internal to ramps/.
#pragma once

#include <cstdint>

#include "ramps/ramps.h"

// The ramps of a load before they are installed in the instrument record.
// Whatever it still holds when it goes (a failed load) is released.
class registry_load {
  public:
    explicit registry_load(sys_info* info);
    ~registry_load();
    registry_load(const registry_load&) = delete;
    registry_load& operator=(const registry_load&) = delete;

    // False when the working table could not be allocated.
    bool ready() const { return ramps_ != nullptr; }

    sys_info& info() { return *info_; }
    int32_t pifoc_sn() const { return pifoc_sn_; }
    int32_t pzt_sn() const { return pzt_sn_; }
    // The serial number of the scanner a ramp type drives.
    int32_t scanner_sn(int32_t ramp_type) const {
        return rr_is_pmi_type(ramp_type) ? pzt_sn_ : pifoc_sn_;
    }

    int32_t count() const { return count_; }
    bool full() const { return count_ >= SYS_MAX_RAMPS; }
    rr_ramp_t& at(int32_t index) { return ramps_[index]; }
    // The cleared record the next ramp is made in; taken into the table by
    // keep(), else released and reused by the next call.
    rr_ramp_t& next();
    void keep() { ++count_; }

    // Moves the table into the instrument record. ERR_NO_MEM leaves the
    // working table as it was.
    int32_t install(int32_t pmi_count);

    int32_t loaded = 0;
    int32_t derived = 0;

  private:
    sys_info* info_;
    rr_ramp_t* ramps_ = nullptr;  // SYS_MAX_RAMPS records
    int32_t count_ = 0;
    int32_t pifoc_sn_;
    int32_t pzt_sn_;
};

// The ramp data file name with the ramps directory before it, into path
// (size bytes); false after a message naming the file when it does not fit.
bool registry_ramp_path(const char* directory, const char* name, char* path, size_t size);

// True when the ramp's duration fits a whole number of milliseconds;
// otherwise prints why and answers false.
bool registry_duration_fits(const rr_ramp_t& ramp, const char* file_name);

// Loads the ramps of the configuration's specs, in order, up to the limit.
void registry_load_specs(registry_load& load, const char* directory, const rr_ramp_cfg_t* specs,
                         int32_t count);

// Loads every ramp data file of the directory made for the instrument's
// scanners, up to the limit, IDs numbering them from 1.
void registry_load_directory(registry_load& load, const char* directory);

// Works out each ramp's timing, direction, sort key and default gain, and
// counts the types. A failed offset crossing ends it with that error.
struct registry_counts {
    int32_t swli = 0;
    int32_t btw = 0;
    int32_t pmi = 0;
};
int32_t registry_set_values(registry_load& load, registry_counts* counts);

// Orders the table by sort key, ascending; equal keys keep their order.
void registry_sort(registry_load& load);

// Empties or keeps the board's ramp slots for the installed table.
int32_t registry_reconcile_slots(sys_info* info);
