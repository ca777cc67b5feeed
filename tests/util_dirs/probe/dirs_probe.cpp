// Answers directory queries, one per argument, on standard output; the
// library's own messages go to standard error as usual.
//   install, config, ramps, module  print "<query>=<text>" ("(null)" for none)
//   find:<name>                     prints "find=<error name>[ <path>]"
//   set:<NAME>=<value>              changes the environment and prints nothing
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "util/util.h"

namespace {

void show(const char* query, const char* text) {
    std::printf("%s=%s\n", query, text != nullptr ? text : "(null)");
}

bool answer(const std::string& query) {
    if (query == "install") {
        show("install", u_install_dir());
    } else if (query == "config") {
        show("config", u_config_dir());
    } else if (query == "ramps") {
        show("ramps", u_ramps_dir());
    } else if (query == "module") {
        show("module", u_module_path());
    } else if (query.rfind("find:", 0) == 0) {
        const char* path = nullptr;
        const int32_t error = u_find_file(query.c_str() + 5, &path);
        std::printf("find=%s%s%s\n", u_err_name(error), error == NO_ERROR ? " " : "",
                    error == NO_ERROR ? path : "");
    } else if (query.rfind("set:", 0) == 0) {
        const size_t equals = query.find('=');
        if (equals == std::string::npos) return false;
        const std::string name = query.substr(4, equals - 4);
        return plat::set_environment(name.c_str(), query.c_str() + equals + 1);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!answer(argv[i])) {
            std::fprintf(stderr, "dirs_probe: bad query '%s'\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
