// Child processes on POSIX: posix_spawn with both output streams piped.
#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace plat {
namespace {

// Reads both pipes until each reaches end of file, or until the pipes
// cannot be watched any more (then what came so far is kept).
void drain(int out_fd, int err_fd, std::string& out, std::string& err) {
    std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&out, &err};
    int open_count = 2;
    char buffer[4096];
    while (open_count > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
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

    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (spawned != 0) {
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        return false;
    }
    *result = process_result{};
    drain(out_pipe[0], err_pipe[0], result->out, result->err);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    result->exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

}  // namespace plat
