// The console commands the plug-in registers with the host, and their
// registration. Each handler takes its string arguments first, then its
// integer arguments, and catches everything.
#pragma once

#include <cstdint>

namespace corvel {

// Registers the commands once per loaded library; false when they were
// already registered or a registration failed.
bool DLL_CorvelInit();

int corvel_load_tcs(const char* fileName);
int corvel_start();
int corvel_verbose(int32_t level);
int corvel_set_root_dir(const char* directory);
int corvel_set_tx_configuration(const char* name);
int corvel_load_template(const char* fileName);
int corvel_set_parameter(const char* name, const char* value);
int corvel_set_int_parameter(const char* name, int32_t value);
int corvel_extract_tcs(const char* fileName, int32_t mode);
int corvel_char_function(const char* first, const char* second, const char* third);

}  // namespace corvel
