// Collects what the library prints through gl_PrintFunc while in scope.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#include "errors/errors.h"

class print_capture {
  public:
    print_capture() : saved_(gl_PrintFunc) {
        text().clear();
        gl_PrintFunc = collect;
    }
    ~print_capture() { gl_PrintFunc = saved_; }
    print_capture(const print_capture&) = delete;
    print_capture& operator=(const print_capture&) = delete;

    const std::string& printed() const { return text(); }

    static std::string& text() {
        static std::string collected;
        return collected;
    }

    // The text with the system error numbers of "Error: %d in" replaced by
    // "#", since their values belong to the operating system.
    static std::string without_error_numbers() {
        static const std::string kLead = "Error: ";
        std::string result = text();
        for (size_t at = result.find(kLead); at != std::string::npos;
             at = result.find(kLead, at + 1)) {
            const size_t start = at + kLead.size();
            size_t end = start;
            if (end < result.size() && result[end] == '-') ++end;
            const size_t digits = end;
            while (end < result.size() && result[end] >= '0' && result[end] <= '9') ++end;
            if (end > digits && result.compare(end, 3, " in") == 0) {
                result.replace(start, end - start, "#");
            }
        }
        return result;
    }

  private:
    static void collect(const char* format, ...) U_PRINTF_FORMAT(1, 2) {
        va_list args;
        va_start(args, format);
        char buffer[1024];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        text() += buffer;
    }

    u_print_func saved_;
};
