// Holders of a named mutex for tests of whoever must wait for it: another
// thread of the test, or a child process of it (POSIX).
#pragma once

#include <atomic>
#include <string>

#include "platform/named_mutex.h"
#include "platform/thread.h"
#include "support/child_run.h"

// A thread that takes the mutex and keeps it until release() or the end of
// the object. held() tells whether it got it.
class thread_mutex_holder {
  public:
    explicit thread_mutex_holder(const std::string& name) : name_(name) {
        thread_ = plat::start_thread(run, this);
        while (thread_ != nullptr && !started_) plat::sleep_ms(5);
    }
    ~thread_mutex_holder() { release(); }
    thread_mutex_holder(const thread_mutex_holder&) = delete;
    thread_mutex_holder& operator=(const thread_mutex_holder&) = delete;

    bool held() const { return held_; }
    void release() {
        release_ = true;
        if (thread_ == nullptr) return;
        plat::join_thread(thread_);
        plat::close_thread(thread_);
        thread_ = nullptr;
    }

  private:
    static void run(void* argument) {
        auto* self = static_cast<thread_mutex_holder*>(argument);
        plat::named_mutex_handle mutex = plat::open_named_mutex(self->name_.c_str());
        self->held_ = plat::wait_named_mutex(mutex, 0) == plat::mutex_wait::acquired;
        self->started_ = true;
        while (self->held_ && !self->release_) plat::sleep_ms(5);
        plat::close_named_mutex(mutex);
    }

    std::string name_;
    plat::thread_handle thread_ = nullptr;
    std::atomic<bool> started_{false};
    std::atomic<bool> held_{false};
    std::atomic<bool> release_{false};
};

#if !defined(_WIN32)
// A child process that takes the mutex and dies without releasing it when
// release() is called or the object ends, leaving the mutex abandoned.
class process_mutex_holder {
  public:
    explicit process_mutex_holder(const std::string& name) {
        int to_child[2];
        int from_child[2];
        if (::pipe(to_child) != 0) return;
        if (::pipe(from_child) != 0) {
            ::close(to_child[0]);
            ::close(to_child[1]);
            return;
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(to_child[1]);
            ::close(from_child[0]);
            plat::named_mutex_handle mutex = plat::open_named_mutex(name.c_str());
            const char got = plat::wait_named_mutex(mutex, 0) == plat::mutex_wait::acquired ? 'y' : 'n';
            if (::write(from_child[1], &got, 1) != 1) ::_exit(1);
            char ignored;
            while (::read(to_child[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(to_child[0]);
        ::close(from_child[1]);
        release_fd_ = to_child[1];
        char got = 'n';
        held_ = child_ > 0 && ::read(from_child[0], &got, 1) == 1 && got == 'y';
        ::close(from_child[0]);
    }
    ~process_mutex_holder() { release(); }
    process_mutex_holder(const process_mutex_holder&) = delete;
    process_mutex_holder& operator=(const process_mutex_holder&) = delete;

    bool held() const { return held_; }
    // Ends the child and waits for it.
    void release() {
        if (release_fd_ >= 0) ::close(release_fd_);
        release_fd_ = -1;
        if (child_ > 0) {
            int status = 0;
            ::waitpid(child_, &status, 0);
        }
        child_ = -1;
    }

  private:
    pid_t child_ = -1;
    int release_fd_ = -1;
    bool held_ = false;
};
#endif
