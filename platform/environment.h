// Environment variables of the running process.
#pragma once

namespace plat {

// The variable's value, or null when it is not set. The text belongs to the
// environment and stays valid until the variable is changed.
const char* get_environment(const char* name);

// Sets the variable to value, or removes it when value is null. False when
// the name is not valid or the environment cannot grow. Windows holds no
// empty variables: there an empty value also removes the variable.
bool set_environment(const char* name, const char* value);

}  // namespace plat
