// gridtool's commands: each takes the arguments after its name and returns
// the program's exit status (see command_line.h).
#pragma once

#include <string>
#include <vector>

int run_info(const std::vector<std::string>& args);
int run_export(const std::vector<std::string>& args);
int run_picture(const std::vector<std::string>& args);
int run_batch(const std::vector<std::string>& args);
