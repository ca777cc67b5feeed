// Private profile files on POSIX: a small reader of our own that answers as
// GetPrivateProfileString does for the plain "[section]" / "key=value" form.
#include "platform/private_profile.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/environment.h"
#include "platform/files.h"

namespace plat {
namespace {

// Longer lines are read in full but only this much of each is kept.
constexpr size_t kMaxLineKept = 65536;

std::string trimmed(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

bool same_text(const std::string& a, const char* b) {
    const size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// A bare file name lives in the system folder, as on Windows.
std::string profile_path(const char* file) {
    if (std::strchr(file, '/') != nullptr) return file;
    const char* root = get_environment("SystemRoot");
    if (root == nullptr || root[0] == '\0') return {};
    return std::string(root) + "/" + file;
}

bool read_line(FILE* stream, std::string* line) {
    line->clear();
    int c = std::fgetc(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(stream)) {
        if (line->size() < kMaxLineKept) *line += static_cast<char>(c);
    }
    return true;
}

// The value of the key, or false when the file, section or key is missing.
bool find_value(const char* section, const char* key, const char* file, std::string* value) {
    const std::string path = profile_path(file);
    if (path.empty()) return false;
    const std::unique_ptr<FILE, int (*)(FILE*)> stream(open_regular_file(path.c_str(), "rb"), std::fclose);
    if (!stream) return false;
    bool in_section = false;
    std::string line;
    while (read_line(stream.get(), &line)) {
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == ';') continue;
        if (text[0] == '[') {
            const size_t close = text.find(']');
            in_section = close != std::string::npos &&
                         same_text(trimmed(text.substr(1, close - 1)), section);
            continue;
        }
        const size_t equals = text.find('=');
        if (!in_section || equals == std::string::npos) continue;
        if (same_text(trimmed(text.substr(0, equals)), key)) {
            *value = trimmed(text.substr(equals + 1));
            return true;
        }
    }
    return false;
}

}  // namespace

bool read_profile_string(const char* section, const char* key, const char* default_value,
                         char* buffer, size_t size, const char* file) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    std::string value;
    if (section == nullptr || key == nullptr || file == nullptr ||
        !find_value(section, key, file, &value)) {
        value = default_value != nullptr ? default_value : "";
    }
    if (value.size() >= size) return false;
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return true;
}

}  // namespace plat
