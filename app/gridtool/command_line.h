// The command line of one gridtool command: its options, its operands, and
// the answers to a wrong one.
#pragma once

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

// One option a command takes: "--to", "-j"; with a value or a plain switch.
struct option_rule {
    const char* name;
    bool takes_value;
};

struct parsed_args {
    std::map<std::string, std::string> values;  // options with a value; the last one counts
    std::set<std::string> switches;
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;

    bool has(const std::string& name) const {
        return switches.count(name) != 0 || values.count(name) != 0;
    }
    std::string value(const std::string& name, const std::string& fallback) const {
        const auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
};

// Exit statuses of every command.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FILE_FAILED = 1;
inline constexpr int EXIT_WRONG_COMMAND_LINE = 2;

// Sorts args into options and operands. "--" ends the options; "-" is an
// operand (standard output where a single output is written); a value
// follows its option as the next argument or after "=". --help and
// --version are taken by every command. True, or false after a wrong
// command line was reported (see usage_error).
bool parse_command_line(const std::vector<std::string>& args,
                        std::initializer_list<option_rule> options, parsed_args* out);

// Reports a wrong command line: one line naming what was refused, then a
// pointer to the help. Returns EXIT_WRONG_COMMAND_LINE.
int usage_error(const std::string& what);

// A whole number in min .. max, or false.
bool parse_integer(const std::string& text, long min, long max, long* value);

// A finite positive number, or false.
bool parse_positive(const std::string& text, double* value);

// Prints a help text to standard output; returns EXIT_OK.
int print_help(const char* text);

// Prints "gridtool VERSION" to standard output; returns EXIT_OK.
int print_version();
