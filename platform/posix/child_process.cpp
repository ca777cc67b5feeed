// Child processes on POSIX: posix_spawnp with both output streams piped.
#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

extern char** environ;

namespace plat {
namespace {

// Passes the caller's stop signal on to the child's process group once, and
// kills the group when the child outlives the grace period after it.
class stop_passer {
  public:
    stop_passer(const process_options& options, pid_t group) : options_(options), group_(group) {}

    bool watching() const { return static_cast<bool>(options_.stop_signal); }

    void check() {
        if (!watching() || killed_) return;
        const auto now = std::chrono::steady_clock::now();
        if (passed_ == 0) {
            passed_ = options_.stop_signal();
            if (passed_ == 0) return;
            ::kill(-group_, passed_);
            deadline_ = now + options_.stop_grace;
        } else if (now >= deadline_) {
            ::kill(-group_, SIGKILL);
            killed_ = true;
        }
    }

  private:
    const process_options& options_;
    pid_t group_;
    int passed_ = 0;
    bool killed_ = false;
    std::chrono::steady_clock::time_point deadline_;
};

// Reads both pipes until each reaches end of file, or until the pipes
// cannot be watched any more (then what came so far is kept). While a stop
// signal is watched for, it looks up every tenth of a second.
void drain(int out_fd, int err_fd, std::string& out, std::string& err, stop_passer& stop) {
    std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&out, &err};
    int open_count = 2;
    char buffer[4096];
    const int timeout_ms = stop.watching() ? 100 : -1;
    while (open_count > 0) {
        stop.check();
        const int ready = ::poll(fds.data(), fds.size(), timeout_ms);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (size_t i = 0; i < fds.size() && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0) ::close(fd.fd);
}

// The caller's environment with the changes applied.
std::vector<std::string> changed_environment(const std::vector<std::string>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(entries, [&name](const std::string& entry) {
            return entry.size() > name.size() && entry[name.size()] == '=' &&
                   entry.compare(0, name.size(), name) == 0;
        });
        if (change.size() > name.size()) entries.push_back(change);
    }
    return entries;
}

}  // namespace

bool run_process(const std::vector<std::string>& args, process_result* result) {
    return run_process(args, process_options{}, result);
}

bool run_process(const std::vector<std::string>& args, const process_options& options,
                 process_result* result) {
    if (args.empty()) return false;
    std::vector<std::string> environment = changed_environment(options.environment);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) return false;
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // No input, as on Windows: a child that reads it sees its end at once
    // instead of waiting on the caller's terminal.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    if (!options.directory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());
    }

    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    // A child whose stop signal is passed on leads a process group of its
    // own, so that the signal reaches whatever it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.stop_signal) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = 0;
    // posix_spawnp: a bare name is looked up on PATH as a shell does.
    const int spawned =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (spawned != 0) {
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        return false;
    }
    *result = process_result{};
    stop_passer stop(options, pid);
    drain(out_pipe[0], err_pipe[0], result->out, result->err, stop);
    // A child may close its streams and run on: the stop signal is still
    // passed on while it is waited for.
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, stop.watching() ? WNOHANG : 0);
        if (ended == pid) break;
        if (ended < 0 && errno != EINTR) return false;
        if (ended == 0) {
            stop.check();
            ::poll(nullptr, 0, 100);
        }
    }
    result->exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result->signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
}

}  // namespace plat
