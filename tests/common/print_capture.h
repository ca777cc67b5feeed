// Collects what the library prints through gl_PrintFunc while in scope.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <regex>
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

    static std::string& text() {
        static std::string collected;
        return collected;
    }

    // The text with the system error numbers of "Error: %d in" replaced by
    // "#", since their values belong to the operating system.
    static std::string without_error_numbers() {
        static const std::regex number("Error: -?[0-9]+ in");
        return std::regex_replace(text(), number, "Error: # in");
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
