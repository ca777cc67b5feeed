// Values of the system calibration file: reading them from text, writing
// them back, comparing and describing them. Numbers go through from_chars
// and to_chars, so the file does not depend on the locale and every number
// written reads back bit for bit.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "instrument/cal_keywords.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    return text;
}

// The whole text as a decimal integer: an optional minus sign and digits.
bool whole_integer(std::string_view text, int64_t* value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value);
    return error == std::errc{} && stop == end;
}

// The whole text as a finite decimal number (no hex, no inf, no nan).
template <typename T>
bool whole_number(std::string_view text, T* value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value, std::chars_format::general);
    return error == std::errc{} && stop == end && std::isfinite(*value);
}

bool in_range(const cal_keyword& k, double value) {
    return value >= k.min && value <= k.max;
}

bool allowed_integer(const cal_keyword& k, int64_t value) {
    if (!in_range(k, static_cast<double>(value))) return false;
    if (k.choices.empty()) return true;
    for (const int32_t choice : k.choices) {
        if (choice == value) return true;
    }
    return false;
}

// Splits off the first item of a list whose items are separated by blanks
// and at most one comma.
std::string_view next_item(std::string_view* rest) {
    std::string_view text = skip_blanks(*rest);
    size_t length = 0;
    while (length < text.size() && !is_blank(text[length]) && text[length] != ',') ++length;
    const std::string_view item = text.substr(0, length);
    text = skip_blanks(text.substr(length));
    if (!text.empty() && text.front() == ',') {
        text = skip_blanks(text.substr(1));
        if (text.empty()) return {};  // a comma must be followed by an item
    }
    *rest = text;
    return item;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Six pairs of hex digits, each pair apart from the next by blanks, or by one
// colon or hyphen with optional blanks around it, or by nothing.
bool parse_mac(std::string_view text, uint8_t* mac) {
    for (int i = 0; i < SYS_MAC_SIZE; ++i) {
        if (i > 0) {
            text = skip_blanks(text);
            if (!text.empty() && (text.front() == ':' || text.front() == '-')) {
                text = skip_blanks(text.substr(1));
            }
        }
        if (text.size() < 2) return false;
        const int high = hex_digit(text[0]);
        const int low = hex_digit(text[1]);
        if (high < 0 || low < 0) return false;
        mac[i] = static_cast<uint8_t>(high * 16 + low);
        text.remove_prefix(2);
    }
    return text.empty();
}

// hours:minutes:seconds, minutes and seconds below 60.
bool parse_duration(const cal_keyword& k, std::string_view text, uint16_t* seconds) {
    int64_t parts[3];
    for (int i = 0; i < 3; ++i) {
        const size_t colon = i < 2 ? text.find(':') : text.size();
        if (colon == std::string_view::npos) return false;
        const std::string_view part = text.substr(0, colon);
        if (part.empty() || part.front() == '-' || !whole_integer(part, &parts[i])) return false;
        text = i < 2 ? text.substr(colon + 1) : std::string_view{};
    }
    if (parts[1] > 59 || parts[2] > 59 || parts[0] > 65535) return false;
    const int64_t total = parts[0] * 3600 + parts[1] * 60 + parts[2];
    if (!in_range(k, static_cast<double>(total))) return false;
    *seconds = static_cast<uint16_t>(total);
    return true;
}

bool parse_pair(const cal_keyword& k, std::string_view text, int32_t* pair) {
    int64_t values[2];
    for (int64_t& value : values) {
        if (!whole_integer(next_item(&text), &value) || !in_range(k, static_cast<double>(value))) {
            return false;
        }
    }
    if (!text.empty() || values[0] > values[1]) return false;
    pair[0] = static_cast<int32_t>(values[0]);
    pair[1] = static_cast<int32_t>(values[1]);
    return true;
}

bool parse_list(const cal_keyword& k, std::string_view text, sys_zoom_mags* list) {
    list->count = 0;
    while (!text.empty()) {
        float value = 0;
        if (list->count >= k.capacity || !whole_number(next_item(&text), &value) ||
            !in_range(k, value)) {
            return false;
        }
        list->values[list->count++] = value;
    }
    return true;
}

// The shortest text that reads back as the same number, terminated; returns
// where the terminator went.
template <typename T>
char* put_number(char* out, char* end, T value) {
    const auto [stop, error] = std::to_chars(out, end - 1, value);
    char* const terminator = error == std::errc{} ? stop : out;
    *terminator = '\0';
    return terminator;
}

size_t text_length(const cal_keyword& k, const void* field) {
    const auto* text = static_cast<const char*>(field);
    const void* terminator = std::memchr(text, '\0', static_cast<size_t>(k.capacity));
    return terminator == nullptr ? static_cast<size_t>(k.capacity)
                                 : static_cast<size_t>(static_cast<const char*>(terminator) - text);
}

}  // namespace

bool cal_parse_value(const cal_keyword& k, std::string_view text, void* field) {
    switch (k.kind) {
        case cal_kind::integer: {
            int64_t value = 0;
            if (!whole_integer(text, &value) || !allowed_integer(k, value)) return false;
            const auto narrow = static_cast<int32_t>(value);
            std::memcpy(field, &narrow, sizeof narrow);
            return true;
        }
        case cal_kind::real32: {
            float value = 0;
            if (!whole_number(text, &value) || !in_range(k, value)) return false;
            std::memcpy(field, &value, sizeof value);
            return true;
        }
        case cal_kind::real64: {
            double value = 0;
            if (!whole_number(text, &value) || !in_range(k, value)) return false;
            std::memcpy(field, &value, sizeof value);
            return true;
        }
        case cal_kind::text: {
            if (text.size() >= static_cast<size_t>(k.capacity)) return false;
            auto* out = static_cast<char*>(field);
            std::memset(out, 0, static_cast<size_t>(k.capacity));
            std::memcpy(out, text.data(), text.size());
            return true;
        }
        case cal_kind::mac:
            return parse_mac(text, static_cast<uint8_t*>(field));
        case cal_kind::duration: {
            uint16_t seconds = 0;
            if (!parse_duration(k, text, &seconds)) return false;
            std::memcpy(field, &seconds, sizeof seconds);
            return true;
        }
        case cal_kind::int_pair:
            return parse_pair(k, text, static_cast<int32_t*>(field));
        case cal_kind::real32_list:
            return parse_list(k, text, static_cast<sys_zoom_mags*>(field));
    }
    return false;
}

void cal_format_value(const cal_keyword& k, const void* field, char* out) {
    char* const end = out + CAL_TEXT_SIZE;
    out[0] = '\0';
    switch (k.kind) {
        case cal_kind::integer: {
            int32_t value = 0;
            std::memcpy(&value, field, sizeof value);
            put_number(out, end, value);
            return;
        }
        case cal_kind::real32: {
            float value = 0;
            std::memcpy(&value, field, sizeof value);
            put_number(out, end, value);
            return;
        }
        case cal_kind::real64: {
            double value = 0;
            std::memcpy(&value, field, sizeof value);
            put_number(out, end, value);
            return;
        }
        case cal_kind::text: {
            const size_t length = text_length(k, field);
            std::memcpy(out, field, length);
            out[length] = '\0';
            return;
        }
        case cal_kind::mac: {
            const auto* mac = static_cast<const uint8_t*>(field);
            std::snprintf(out, CAL_TEXT_SIZE, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1],
                          mac[2], mac[3], mac[4], mac[5]);
            return;
        }
        case cal_kind::duration: {
            uint16_t seconds = 0;
            std::memcpy(&seconds, field, sizeof seconds);
            std::snprintf(out, CAL_TEXT_SIZE, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                          seconds % 60);
            return;
        }
        case cal_kind::int_pair: {
            int32_t pair[2];
            std::memcpy(pair, field, sizeof pair);
            std::snprintf(out, CAL_TEXT_SIZE, "%d %d", pair[0], pair[1]);
            return;
        }
        case cal_kind::real32_list: {
            sys_zoom_mags list;
            std::memcpy(&list, field, sizeof list);
            char* at = out;
            for (int32_t i = 0; i < list.count && i < k.capacity; ++i) {
                if (i > 0) *at++ = ' ';
                at = put_number(at, end, list.values[i]);
            }
            return;
        }
    }
}

bool cal_same_value(const cal_keyword& k, const void* a, const void* b) {
    switch (k.kind) {
        case cal_kind::text: {
            const size_t length = text_length(k, a);
            return length == text_length(k, b) && std::memcmp(a, b, length) == 0;
        }
        case cal_kind::real32_list: {
            sys_zoom_mags first;
            sys_zoom_mags second;
            std::memcpy(&first, a, sizeof first);
            std::memcpy(&second, b, sizeof second);
            if (first.count != second.count) return false;
            if (first.count < 0 || first.count > k.capacity) return false;
            return std::memcmp(first.values, second.values,
                               static_cast<size_t>(first.count) * sizeof(float)) == 0;
        }
        default:
            return std::memcmp(a, b, k.field_size) == 0;
    }
}

void cal_describe_type(const cal_keyword& k, char* out) {
    const char* type = "";
    switch (k.kind) {
        case cal_kind::integer:
            type = "integer";
            break;
        case cal_kind::real32:
        case cal_kind::real64:
            type = "number";
            break;
        case cal_kind::text:
            type = "text";
            break;
        case cal_kind::mac:
            type = "MAC address";
            break;
        case cal_kind::duration:
            type = "hours:minutes:seconds";
            break;
        case cal_kind::int_pair:
            type = "two integers, lower and upper";
            break;
        case cal_kind::real32_list:
            type = "list of numbers";
            break;
    }
    std::snprintf(out, CAL_TEXT_SIZE, "%s", type);
}

void cal_describe_range(const cal_keyword& k, char* out) {
    char low[64];
    char high[64];
    put_number(low, low + sizeof low, k.min);
    put_number(high, high + sizeof high, k.max);
    switch (k.kind) {
        case cal_kind::integer:
            if (!k.choices.empty()) {
                char* at = out + std::snprintf(out, CAL_TEXT_SIZE, "one of");
                for (size_t i = 0; i < k.choices.size(); ++i) {
                    at += std::snprintf(at, static_cast<size_t>(out + CAL_TEXT_SIZE - at), "%s %d",
                                        i == 0 ? "" : ",", k.choices[i]);
                }
                return;
            }
            [[fallthrough]];
        case cal_kind::real32:
        case cal_kind::real64:
            std::snprintf(out, CAL_TEXT_SIZE, "%s to %s", low, high);
            return;
        case cal_kind::text:
            std::snprintf(out, CAL_TEXT_SIZE, "up to %d characters, may be empty", k.capacity - 1);
            return;
        case cal_kind::mac:
            std::snprintf(out, CAL_TEXT_SIZE,
                          "six pairs of hex digits, apart by blanks, colons or hyphens");
            return;
        case cal_kind::duration: {
            const auto seconds = static_cast<int>(k.max);
            std::snprintf(out, CAL_TEXT_SIZE,
                          "0:00:00 to %d:%02d:%02d, minutes and seconds below 60", seconds / 3600,
                          seconds / 60 % 60, seconds % 60);
            return;
        }
        case cal_kind::int_pair:
            std::snprintf(out, CAL_TEXT_SIZE, "each %s to %s, lower not above upper", low, high);
            return;
        case cal_kind::real32_list:
            std::snprintf(out, CAL_TEXT_SIZE, "up to %d, each %s to %s, may be empty", k.capacity,
                          low, high);
            return;
    }
}
