// Six characters that make a new file's name unlikely to be taken; a caller
// that finds the name taken after all simply asks for the next one.
// Internal to platform/.
#pragma once

#include <string>

namespace plat {

std::string unique_suffix();

}  // namespace plat
