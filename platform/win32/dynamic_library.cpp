// Dynamic libraries on Windows: LoadLibraryA, GetProcAddress and FreeLibrary.
// Library names are the system's own ("Name.dll"); a name without an
// extension gets ".dll", as LoadLibraryA gives it.
#include "platform/dynamic_library.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/win32/windows_api.h"

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

bool has_folder(const std::string& name) {
    return name.find_first_of("\\/:") != std::string::npos;
}

bool is_regular(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

HMODULE open_module(const std::string& path, DWORD flags) {
    // No message box for a library that cannot be loaded: the caller reports it.
    DWORD previous_mode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, flags);
    if (module == nullptr) tl_last_error = static_cast<int>(::GetLastError());
    ::SetThreadErrorMode(previous_mode, nullptr);
    return module;
}

// The library's file in the chosen directory when it is there, else the
// system's own search. A library loaded by its full path finds the
// libraries it needs in its own folder first.
library_handle load_named(const char* name) {
    const std::string file = library_file_name(name);
    std::string first_choice;
    if (!has_folder(file)) {
        const std::lock_guard<std::mutex> guard(directory_lock());
        const std::string& folder = library_directory();
        if (!folder.empty()) {
            first_choice = folder;
            if (first_choice.back() != '\\' && first_choice.back() != '/') first_choice += '\\';
            first_choice += file;
        }
    }
    HMODULE module = nullptr;
    if (!first_choice.empty() && is_regular(first_choice)) {
        module = open_module(first_choice, LOAD_WITH_ALTERED_SEARCH_PATH);
    } else {
        module = open_module(file, has_folder(file) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    }
    return reinterpret_cast<library_handle>(module);
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
    std::string text = name != nullptr ? name : "";
    const size_t base_start = text.find_last_of("\\/:");
    const std::string base = text.substr(base_start == std::string::npos ? 0 : base_start + 1);
    if (!base.empty() && base.find('.') == std::string::npos) text += ".dll";
    return text;
}

library_handle load_library(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        tl_last_error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    try {
        return load_named(name);
    } catch (const std::bad_alloc&) {
        tl_last_error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
}

library_function library_symbol(library_handle library, const char* name) {
    if (library == nullptr || name == nullptr) {
        tl_last_error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const FARPROC symbol = ::GetProcAddress(reinterpret_cast<HMODULE>(library), name);
    if (symbol == nullptr) {
        tl_last_error = static_cast<int>(::GetLastError());
        return nullptr;
    }
    library_function function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

bool unload_library(library_handle library) {
    if (library == nullptr) {
        tl_last_error = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!::FreeLibrary(reinterpret_cast<HMODULE>(library))) {
        tl_last_error = static_cast<int>(::GetLastError());
        return false;
    }
    return true;
}

bool library_file_version(const char* module, int32_t* major, int32_t* minor) {
    if (module == nullptr || major == nullptr || minor == nullptr) return false;
    const HMODULE handle = ::GetModuleHandleA(module);
    if (handle == nullptr) return false;
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(handle, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::string block(size, '\0');
    if (!::GetFileVersionInfoA(path, 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT info_size = 0;
    if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &info_size) ||
        info == nullptr || info_size < sizeof *info)
        return false;
    *major = static_cast<int32_t>(HIWORD(info->dwFileVersionMS));
    *minor = static_cast<int32_t>(LOWORD(info->dwFileVersionMS));
    return true;
}

int library_error() {
    return tl_last_error;
}

}  // namespace plat
