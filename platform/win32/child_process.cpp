// Child processes on Windows: CreateProcessW with both output streams piped.
// Only the pipe ends meant for the child are inherited by it.
#include "platform/child_process.h"

#include <cwctype>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace plat {
namespace {

struct handle_closer {
    HANDLE handle = nullptr;
    handle_closer() = default;
    handle_closer(const handle_closer&) = delete;
    handle_closer& operator=(const handle_closer&) = delete;
    ~handle_closer() { close(); }
    void close() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
        handle = nullptr;
    }
};

// Narrow text in the process code page, as the C runtime reads narrow paths.
bool widen(const std::string& text, std::wstring& out) {
    out.clear();
    if (text.empty()) return true;
    const int length = static_cast<int>(text.size());
    const int wide_length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wide_length <= 0) return false;
    out.resize(static_cast<size_t>(wide_length));
    return ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), wide_length) ==
           wide_length;
}

// Whether a "NAME=value" entry sets the variable name; Windows compares
// variable names without regard to letter case.
bool sets_variable(const std::wstring& entry, const std::wstring& name) {
    if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::towupper(entry[i]) != std::towupper(name[i])) return false;
    }
    return true;
}

// The caller's environment with the changes applied, as the block that
// CreateProcessW takes: "NAME=value" strings, each ended by a null, and a
// null after the last. Entries that begin with "=" (the current folders of
// the drives) are kept as they are.
bool changed_environment(const std::vector<std::string>& changes, std::wstring& block) {
    std::vector<std::wstring> entries;
    wchar_t* inherited = ::GetEnvironmentStringsW();
    if (inherited == nullptr) return false;
    for (const wchar_t* entry = inherited; *entry != L'\0'; entry += entries.back().size() + 1) {
        entries.emplace_back(entry);
    }
    ::FreeEnvironmentStringsW(inherited);
    for (const std::string& change : changes) {
        std::wstring wide;
        if (!widen(change, wide)) return false;
        const std::wstring name = wide.substr(0, wide.find(L'='));
        if (name.empty()) return false;
        std::erase_if(entries, [&name](const std::wstring& e) { return sets_variable(e, name); });
        if (wide.size() > name.size()) entries.push_back(wide);
    }
    block.clear();
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return true;
}

// Appends one argument so that the C runtime of the child splits it back out
// unchanged: quotes around it when needed, a backslash before each quote, and
// backslashes doubled where they precede a quote (also the closing one).
// The program name is split by simpler rules, but a path has no quotes and
// does not end in a backslash, so the same quoting serves it.
void append_quoted(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') backslashes = backslashes * 2 + 1;
        line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// Reads a pipe to its end, taking CR LF as a text-mode stream would.
void read_all(HANDLE pipe, std::string* sink) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        sink->append(buffer, got);
    }
    size_t kept = 0;
    for (size_t i = 0; i < sink->size(); ++i) {
        if ((*sink)[i] == '\r' && i + 1 < sink->size() && (*sink)[i + 1] == '\n') continue;
        (*sink)[kept++] = (*sink)[i];
    }
    sink->resize(kept);
}

struct pipe_reader {
    HANDLE pipe;
    std::string* sink;
};

DWORD WINAPI run_pipe_reader(void* job) {
    const auto* reader = static_cast<const pipe_reader*>(job);
    read_all(reader->pipe, reader->sink);
    return 0;
}

// A pipe whose write end the child inherits.
bool make_pipe(handle_closer& read_end, handle_closer& write_end) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!::CreatePipe(&read_end.handle, &write_end.handle, &inheritable, 0)) return false;
    return ::SetHandleInformation(read_end.handle, HANDLE_FLAG_INHERIT, 0) != 0;
}

// The child's standard input: the null device, inheritable.
HANDLE open_null_input() {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    return ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                         OPEN_EXISTING, 0, nullptr);
}

// Starts the child with the three handles as its standard streams and with
// nothing else inherited. Returns the process handle, or null. program is
// null for a bare name, which is then looked up as the command interpreter
// looks up a command (beside the caller, in the current and system folders,
// then on PATH, adding ".exe"); environment and directory are null to keep
// the caller's.
HANDLE start(const wchar_t* program, std::wstring& command_line, wchar_t* environment,
             const wchar_t* directory, HANDLE in, HANDLE out, HANDLE err) {
    HANDLE inherited[] = {in, out, err};
    SIZE_T list_size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
    std::string list_storage(list_size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_storage.data());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &list_size)) return nullptr;
    const struct list_deleter {
        LPPROC_THREAD_ATTRIBUTE_LIST list;
        ~list_deleter() { ::DeleteProcThreadAttributeList(list); }
    } delete_list{list};
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                     sizeof inherited, nullptr, nullptr)) {
        return nullptr;
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = in;
    startup.StartupInfo.hStdOutput = out;
    startup.StartupInfo.hStdError = err;
    startup.lpAttributeList = list;
    PROCESS_INFORMATION info{};
    const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT;
    if (!::CreateProcessW(program, command_line.data(), nullptr, nullptr, TRUE, flags, environment,
                          directory, &startup.StartupInfo, &info)) {
        return nullptr;
    }
    ::CloseHandle(info.hThread);
    return info.hProcess;
}

}  // namespace

bool run_process(const std::vector<std::string>& args, process_result* result) {
    return run_process(args, process_options{}, result);
}

bool run_process(const std::vector<std::string>& args, const process_options& options,
                 process_result* result) {
    if (args.empty()) return false;
    std::wstring environment;
    if (!options.environment.empty() && !changed_environment(options.environment, environment)) {
        return false;
    }
    std::wstring directory;
    if (!widen(options.directory, directory)) return false;
    std::wstring program;
    if (!widen(args[0], program) || program.empty()) return false;
    const bool bare_name = program.find_first_of(L"/\\:") == std::wstring::npos;
    std::wstring command_line;
    for (const std::string& arg : args) {
        std::wstring wide;
        if (!widen(arg, wide)) return false;
        append_quoted(command_line, wide);
    }

    handle_closer out_read, out_write, err_read, err_write, null_input, process;
    if (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) return false;
    null_input.handle = open_null_input();
    if (null_input.handle == INVALID_HANDLE_VALUE) return false;

    process.handle = start(bare_name ? nullptr : program.c_str(), command_line,
                           environment.empty() ? nullptr : environment.data(),
                           directory.empty() ? nullptr : directory.c_str(), null_input.handle,
                           out_write.handle, err_write.handle);
    // Our copies of the child's ends must go, or the pipes never reach their end.
    out_write.close();
    err_write.close();
    null_input.close();
    if (process.handle == nullptr) return false;

    // Anonymous pipes cannot be polled: a thread drains each, so that a child
    // filling either pipe never blocks, and this one watches the child.
    *result = process_result{};
    pipe_reader out_job{out_read.handle, &result->out};
    pipe_reader err_job{err_read.handle, &result->err};
    handle_closer out_thread, err_thread;
    out_thread.handle = ::CreateThread(nullptr, 0, run_pipe_reader, &out_job, 0, nullptr);
    if (out_thread.handle != nullptr) {
        err_thread.handle = ::CreateThread(nullptr, 0, run_pipe_reader, &err_job, 0, nullptr);
    }
    if (err_thread.handle == nullptr) {
        ::TerminateProcess(process.handle, 1);
        if (out_thread.handle != nullptr) ::WaitForSingleObject(out_thread.handle, INFINITE);
        return false;
    }
    const DWORD watch_ms = options.stop_signal ? 100 : INFINITE;
    while (::WaitForSingleObject(process.handle, watch_ms) == WAIT_TIMEOUT) {
        // No signals to pass on: the child is ended at once, with a status
        // that names the signal as a POSIX shell would.
        const int asked = options.stop_signal();
        if (asked != 0) ::TerminateProcess(process.handle, 128 + static_cast<UINT>(asked));
    }
    ::WaitForSingleObject(out_thread.handle, INFINITE);
    ::WaitForSingleObject(err_thread.handle, INFINITE);

    DWORD status = 0;
    if (::WaitForSingleObject(process.handle, INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.handle, &status)) {
        return false;
    }
    // An exception status (0xC0000005 and the like) is not a normal exit.
    result->exit_code = status >= 0xC0000000u ? -1 : static_cast<int>(status);
    return true;
}

}  // namespace plat
