// Paths on Windows: every name is handed to the wide-character calls. A
// narrow path is converted from the code page the narrow file calls use; a
// wide path's text is the name as it stands.
#include "platform/path_ref.h"

#include "platform/win32/windows_api.h"

namespace plat {
namespace {

UINT file_code_page() {
    return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

}  // namespace

bool to_native_path(path_ref path, native_path* name) {
    if (path.is_null()) return false;
    if (path.is_wide()) {
        std::u16string text;
        if (!wide_path_text(path, &text)) return false;
        name->assign(text.begin(), text.end());
        return !name->empty();
    }
    const int length = static_cast<int>(std::strlen(path.c_str()));
    if (length == 0) return false;
    const int units = ::MultiByteToWideChar(file_code_page(), 0, path.c_str(), length, nullptr, 0);
    if (units <= 0) return false;
    name->resize(static_cast<size_t>(units));
    return ::MultiByteToWideChar(file_code_page(), 0, path.c_str(), length, name->data(), units) ==
           units;
}

bool from_native_path(const native_path& name, path_ref like, std::string* path) {
    if (like.is_wide()) {
        *path = make_wide_path(std::u16string(name.begin(), name.end()), like);
        return true;
    }
    path->clear();
    if (name.empty()) return true;
    const int length = static_cast<int>(name.size());
    const int bytes = ::WideCharToMultiByte(file_code_page(), 0, name.c_str(), length, nullptr, 0,
                                            nullptr, nullptr);
    if (bytes <= 0) return false;
    path->resize(static_cast<size_t>(bytes));
    return ::WideCharToMultiByte(file_code_page(), 0, name.c_str(), length, path->data(), bytes,
                                 nullptr, nullptr) == bytes;
}

}  // namespace plat
