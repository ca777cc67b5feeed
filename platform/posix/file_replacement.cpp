// File replacement on POSIX: symbolic links are followed to the file they
// lead to, the temporary file is made beside that file and given its owner
// and permissions, and rename puts it in the file's place.
#include "platform/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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

// Creates a new file of mode 0666, narrowed by the umask as every new file
// is, under a unique name that begins with base.
int create_unique(const std::string& base, std::string* name, int* fd) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = base + unique_suffix();
        *fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (*fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
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

    native_path temporary;
    int fd = -1;
    if (const int error = create_unique(folder_part(target) + prefix, &temporary, &fd);
        error != 0) {
        return error;
    }
    int error = 0;
    if (exists) {
        // The owner first: giving a file away may clear the set-id bits.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only a privileged process gives files away; the file stays ours.
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    return adopt(std::move(target), std::move(temporary), exists, path);
}

int file_replacement::move_into_place() {
    return std::rename(native_temporary_.c_str(), target_.c_str()) == 0 ? 0 : errno;
}

void file_replacement::remove_temporary() {
    ::unlink(native_temporary_.c_str());
}

int file_replacement::write_error() {
    return EIO;
}

int file_replacement::name_error() {
    return EILSEQ;
}

}  // namespace plat
