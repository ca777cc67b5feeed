// Options and operands of a gridtool command line.
#include "app/gridtool/command_line.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

const option_rule* find_option(std::initializer_list<option_rule> options,
                               const std::string& name) {
    for (const option_rule& o : options) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

}  // namespace

bool parse_command_line(const std::vector<std::string>& args,
                        std::initializer_list<option_rule> options, parsed_args* out) {
    bool options_ended = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
            out->operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out->help = true;
            continue;
        }
        if (arg == "--version") {
            out->version = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const option_rule* rule = find_option(options, name);
        if (rule == nullptr) {
            usage_error("unknown option " + name);
            return false;
        }
        if (!rule->takes_value) {
            if (equals != std::string::npos) {
                usage_error("option " + name + " takes no value");
                return false;
            }
            out->switches.insert(name);
        } else if (equals != std::string::npos) {
            out->values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            out->values[name] = args[++i];
        } else {
            usage_error("option " + name + " needs a value");
            return false;
        }
    }
    return true;
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "gridtool: %s\n(see gridtool --help)\n", what.c_str());
    return EXIT_WRONG_COMMAND_LINE;
}

bool parse_integer(const std::string& text, long min, long max, long* value) {
    long v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || text.empty() || v < min || v > max) return false;
    *value = v;
    return true;
}

bool parse_positive(const std::string& text, double* value) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(v) || v <= 0) {
        return false;
    }
    *value = v;
    return true;
}

int print_help(const char* text) {
    std::fputs(text, stdout);
    return EXIT_OK;
}

int print_version() {
    std::printf("gridtool %s\n", GRIDTOOL_VERSION);
    return EXIT_OK;
}
