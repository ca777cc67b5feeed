// Dynamic libraries on POSIX: dlopen, dlsym and dlclose, with the Windows
// library name mapped to the shared-object name.
#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace plat {
namespace {

thread_local int tl_last_error = 0;

// Kept for the life of the process, so a load during exit still finds them.
std::mutex& directory_lock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::string& library_directory() {
    static auto* directory = new std::string;
    return *directory;
}

bool ends_with_dll(const std::string& name) {
    if (name.size() < 4) return false;
    const char* tail = name.c_str() + name.size() - 4;
    return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'd' &&
           std::tolower(static_cast<unsigned char>(tail[2])) == 'l' &&
           std::tolower(static_cast<unsigned char>(tail[3])) == 'l';
}

bool is_regular(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void* open_shared_object(const std::string& path) {
    errno = 0;
    void* object = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (object == nullptr) tl_last_error = errno != 0 ? errno : ENOENT;
    return object;
}

// The library's file in the chosen directory when it is there, else the
// system's own search.
library_handle load_named(const char* name) {
    const std::string file = library_file_name(name);
    std::string first_choice;
    if (file.find('/') == std::string::npos) {
        const std::lock_guard<std::mutex> guard(directory_lock());
        if (!library_directory().empty()) first_choice = library_directory() + "/" + file;
    }
    void* object = nullptr;
    if (!first_choice.empty() && is_regular(first_choice)) {
        object = open_shared_object(first_choice);
    } else {
        object = open_shared_object(file);
    }
    return static_cast<library_handle>(object);
}

}  // namespace

void set_library_directory(const char* directory) {
    const std::lock_guard<std::mutex> guard(directory_lock());
    try {
        library_directory() = directory != nullptr ? directory : "";
    } catch (const std::bad_alloc&) {
        library_directory().clear();  // no memory for the name: the default search
    }
}

std::string library_file_name(const char* name) {
    const std::string text = name != nullptr ? name : "";
    const size_t slash = text.find_last_of('/');
    const size_t base_start = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = text.substr(0, base_start);
    std::string base = text.substr(base_start);
    if (base.empty()) return text;
    // A name without an extension means "Name.dll", as on Windows.
    if (base.find('.') == std::string::npos) base += ".dll";
    if (!ends_with_dll(base)) return text;
    return folder + "lib" + base.substr(0, base.size() - 4) + ".so";
}

library_handle load_library(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        tl_last_error = EINVAL;
        return nullptr;
    }
    try {
        return load_named(name);
    } catch (const std::bad_alloc&) {
        tl_last_error = ENOMEM;
        return nullptr;
    }
}

library_function library_symbol(library_handle library, const char* name) {
    if (library == nullptr || name == nullptr) {
        tl_last_error = EINVAL;
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(static_cast<void*>(library), name);
    if (symbol == nullptr) {
        tl_last_error = ENOENT;
        return nullptr;
    }
    library_function function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

bool unload_library(library_handle library) {
    if (library == nullptr) {
        tl_last_error = EINVAL;
        return false;
    }
    if (::dlclose(static_cast<void*>(library)) != 0) {
        tl_last_error = EINVAL;
        return false;
    }
    return true;
}

namespace {

struct version_search {
    std::string prefix;  // "libName.so."
    int32_t major = 0, minor = 0;
    bool found = false;
};

// Reads MAJOR.MINOR after the prefix in the real file name of one loaded object.
int match_version(struct dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<version_search*>(data);
    if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
    char real[PATH_MAX];
    if (::realpath(info->dlpi_name, real) == nullptr) return 0;
    const char* base = std::strrchr(real, '/');
    base = base != nullptr ? base + 1 : real;
    if (std::strncmp(base, search->prefix.c_str(), search->prefix.size()) != 0) return 0;
    unsigned major = 0, minor = 0;
    if (std::sscanf(base + search->prefix.size(), "%u.%u", &major, &minor) != 2 ||
        major > 0xFFFF || minor > 0xFFFF)
        return 0;
    search->major = static_cast<int32_t>(major);
    search->minor = static_cast<int32_t>(minor);
    search->found = true;
    return 1;
}

}  // namespace

bool library_file_version(const char* module, int32_t* major, int32_t* minor) {
    if (module == nullptr || major == nullptr || minor == nullptr) return false;
    version_search search;
    search.prefix = std::string("lib") + module + ".so.";
    ::dl_iterate_phdr(match_version, &search);
    if (!search.found) return false;
    *major = search.major;
    *minor = search.minor;
    return true;
}

int library_error() {
    return tl_last_error;
}

}  // namespace plat
