// Seeds of the ramp fuzz targets, made with the ramp generator.
#pragma once

#include <filesystem>

// Writes folder/read_ramp_cfg, folder/read_ramp_file and folder/derive_ramp;
// adds the number of seeds to *count. False when a seed cannot be written.
bool write_ramp_seeds(const std::filesystem::path& folder, int* count);
