// The paths by which delivering libraries call into the input queues: the
// CAN library's handlers and the motion wrapper library's callbacks.
//
// A handler call is admitted only while its path is open, and is counted
// while it runs. Closing a path (switch-off, unregistration) refuses later
// calls and waits for the admitted ones to finish, so nothing reaches the
// queues from a path once it is closed, even when the library could not be
// told to stop calling.
#pragma once

#include <condition_variable>
#include <mutex>

class can_delivery_path {
  public:
    can_delivery_path() = default;
    can_delivery_path(const can_delivery_path&) = delete;
    can_delivery_path& operator=(const can_delivery_path&) = delete;

    // Admits one handler call; false while the path is closed.
    bool enter();
    // Ends an admitted call.
    void leave();
    void open();
    // Refuses further calls and waits until no admitted call runs.
    void close();

  private:
    std::mutex lock_;
    std::condition_variable idle_;
    bool open_ = true;
    int in_flight_ = 0;
};

// One handler call on a path, admitted or refused, for the life of the object.
class can_delivery_call {
  public:
    explicit can_delivery_call(can_delivery_path& path) : path_(path), admitted_(path.enter()) {}
    ~can_delivery_call() {
        if (admitted_) path_.leave();
    }
    can_delivery_call(const can_delivery_call&) = delete;
    can_delivery_call& operator=(const can_delivery_call&) = delete;
    bool admitted() const { return admitted_; }

  private:
    can_delivery_path& path_;
    bool admitted_;
};

// Both paths start open; never destroyed, as a delivery thread may call in
// while the process ends.
can_delivery_path& can_library_path();
can_delivery_path& can_mwi_path();
