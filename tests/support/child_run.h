// Parts of a test that run in a forked child process: as an unprivileged
// user when the tests run as root, or under a limit on the size of the files
// written. POSIX only.
#pragma once

#if !defined(_WIN32)

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>

inline bool running_as_root() {
    return ::geteuid() == 0;
}

// Makes the process the user "nobody" (65534 where no such user is named)
// for the rest of its life. False when that is not possible.
inline bool become_unprivileged() {
    const passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
    const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

// Files this process writes may grow to `bytes`; a write beyond fails (EFBIG)
// instead of ending the process.
inline bool limit_file_size(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// Runs body in a child process and returns what it reports: "" when all went
// well, otherwise a description of what did not.
inline std::string run_in_child(const std::function<std::string()>& body) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no child";
    if (child == 0) {
        ::close(pipe_ends[0]);
        const std::string report = body();
        size_t sent = 0;
        while (sent < report.size()) {
            const ssize_t done = ::write(pipe_ends[1], report.data() + sent, report.size() - sent);
            if (done <= 0) break;
            sent += static_cast<size_t>(done);
        }
        ::_exit(0);
    }
    ::close(pipe_ends[1]);
    std::string report;
    char chunk[512];
    for (ssize_t got; (got = ::read(pipe_ends[0], chunk, sizeof chunk)) > 0;) {
        report.append(chunk, static_cast<size_t>(got));
    }
    ::close(pipe_ends[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        report += "the child did not finish";
    }
    return report;
}

#endif
