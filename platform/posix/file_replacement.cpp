// File replacement on POSIX: symbolic links are followed to the file they
// lead to, the temporary file is made beside that file and given its owner
// and permissions, and rename puts it in the file's place.
//
// Where the file system takes O_TMPFILE, the temporary file has no name
// while it is written: it is linked under a unique name beside the target
// when complete and renamed over the target at once, so a killed process
// leaves nothing. Elsewhere it is named from the start, and the handlers of
// SIGINT, SIGTERM and SIGHUP remove it before the signal ends the process.
#include "platform/file_replacement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "platform/live_temporaries.h"
#include "platform/unique_suffix.h"

namespace plat {
namespace {

// As many links as the system itself follows in one name.
constexpr int kMaxLinks = 40;

// The name's folder with its closing separator; "" for a name without one.
std::string folder_part(const std::string& name) {
    const size_t last = name.rfind('/');
    return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

// The text of a symbolic link.
int read_link(const std::string& name, std::string* text) {
    text->assign(256, '\0');
    for (;;) {
        const ssize_t got = ::readlink(name.c_str(), text->data(), text->size());
        if (got < 0) return errno;
        if (static_cast<size_t>(got) < text->size()) {
            text->resize(static_cast<size_t>(got));
            return 0;
        }
        text->resize(text->size() * 2);
    }
}

// Follows symbolic links from *name to the file they lead to, which need not
// exist yet. 0, or the system's error number.
int follow_links(std::string* name, struct stat* st, bool* exists) {
    for (int links = 0;; ++links) {
        if (::lstat(name->c_str(), st) != 0) {
            if (errno != ENOENT) return errno;
            *exists = false;
            return 0;
        }
        if (!S_ISLNK(st->st_mode)) {
            *exists = true;
            return 0;
        }
        if (links == kMaxLinks) return ELOOP;
        std::string text;
        if (const int error = read_link(*name, &text); error != 0) return error;
        if (text.empty()) return ENOENT;
        *name = text[0] == '/' ? text : folder_part(*name) + text;
    }
}

// How often a unique name is drawn before giving up.
constexpr int kAttempts = 100;

std::atomic<bool> named_only{false};

// Creates a new file of mode 0666, narrowed by the umask as every new file
// is, under a unique name that begins with base.
int create_unique(const std::string& base, std::string* name, int* fd) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        *name = base + unique_suffix();
        *fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (*fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Creates a file without a name in the folder, mode 0666 narrowed by the
// umask. 0; EOPNOTSUPP where the system or the file system cannot (older
// kernels answer EISDIR or EINVAL); or the system's error number.
int create_unnamed(const std::string& folder, int* fd) {
#if defined(O_TMPFILE)
    if (!named_only.load()) {
        *fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (*fd >= 0) return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    }
#else
    (void)folder;
    (void)fd;
#endif
    return EOPNOTSUPP;
}

// Gives the unnamed file a name: *name, or another unique one beginning with
// base when that is taken. Linking through /proc needs no privilege;
// AT_EMPTY_PATH serves where /proc is not mounted.
int link_unnamed(int fd, const std::string& base, std::string* name) {
    const std::string by_descriptor = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (::linkat(AT_FDCWD, by_descriptor.c_str(), AT_FDCWD, name->c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            return 0;
        }
#if defined(AT_EMPTY_PATH)
        if (errno == ENOENT && ::linkat(fd, "", AT_FDCWD, name->c_str(), AT_EMPTY_PATH) == 0) {
            return 0;
        }
#endif
        if (errno != EEXIST) return errno;
        *name = base + unique_suffix();
    }
    return EEXIST;
}

// Ends the process as the signal does by default, after removing the live
// temporary files. Only async-signal-safe calls.
void end_without_temporaries(int signal_number) {
    remove_live_temporaries([](const char* name) { ::unlink(name); });
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigemptyset(&default_action.sa_mask);
    ::sigaction(signal_number, &default_action, nullptr);
    // Blocked while this handler runs, the signal ends the process on return.
    ::raise(signal_number);
}

// Installs the handler, once, for each of the signals that the program
// leaves at their default action; a program's own handler stays in charge.
void install_signal_handlers() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (::sigaction(signal_number, nullptr, &current) != 0) continue;
            if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
            struct sigaction action {};
            action.sa_handler = end_without_temporaries;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal_number, &action, nullptr);
        }
    });
}

}  // namespace

int file_replacement::create(path_ref path, const char* prefix) {
    abandon();
    native_path target;
    if (prefix == nullptr || !to_native_path(path, &target)) return EINVAL;
    struct stat st {};
    bool exists = false;
    if (const int error = follow_links(&target, &st, &exists); error != 0) return error;
    if (exists) {
        if (S_ISDIR(st.st_mode)) return EISDIR;
        if (!S_ISREG(st.st_mode)) return EINVAL;
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    }

    install_signal_handlers();
    const std::string folder = folder_part(target);
    const std::string base = folder + prefix;
    native_path temporary;
    int fd = -1;
    int error = create_unnamed(folder, &fd);
    const bool unnamed = error == 0;
    if (unnamed) {
        temporary = base + unique_suffix();  // taken only once the file is complete
        // Refused now, as a named file would be, rather than when it is complete.
        if (temporary.size() + 1 > PATH_MAX) {
            ::close(fd);
            return ENAMETOOLONG;
        }
    } else if (error != EOPNOTSUPP) {
        return error;
    } else if (error = create_unique(base, &temporary, &fd); error != 0) {
        return error;
    }
    const int slot = unnamed ? -1 : remember_temporary(temporary);
    error = 0;
    if (exists) {
        // The owner first: giving a file away may clear the set-id bits.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only a privileged process gives files away; the file stays ours.
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) error = errno;
    }
    if (error != 0) {
        if (!unnamed) ::unlink(temporary.c_str());
        forget_temporary(slot);
        ::close(fd);
        return error;
    }
    descriptor_ = fd;
    slot_ = slot;
    unnamed_ = unnamed;
    return adopt(std::move(target), std::move(temporary), exists, path);
}

FILE* file_replacement::open_temporary() {
    // A second descriptor for the stream: the first stays open until the
    // file is in place, as an unnamed file lives only through it.
    const int fd = ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) ::close(fd);
    return stream;
}

int file_replacement::move_into_place() {
    if (unnamed_) {
        const std::string base =
            native_temporary_.substr(0, native_temporary_.size() - unique_suffix().size());
        if (const int error = link_unnamed(descriptor_, base, &native_temporary_); error != 0) {
            return error;
        }
        unnamed_ = false;  // from here on it is a named file like any other
        slot_ = remember_temporary(native_temporary_);
        const std::string kind = temporary_;  // narrow or wide, as the caller's path
        if (!from_native_path(native_temporary_, kind, &temporary_)) temporary_.clear();
    }
    if (std::rename(native_temporary_.c_str(), target_.c_str()) != 0) return errno;
    forget_temporary(slot_);
    slot_ = -1;
    ::close(descriptor_);
    descriptor_ = -1;
    return 0;
}

void file_replacement::remove_temporary() {
    if (!unnamed_) ::unlink(native_temporary_.c_str());
    forget_temporary(slot_);
    slot_ = -1;
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    unnamed_ = false;
}

void file_replacement::use_named_temporaries(bool named) {
    named_only.store(named);
}

int file_replacement::write_error() {
    return EIO;
}

int file_replacement::name_error() {
    return EILSEQ;
}

}  // namespace plat
