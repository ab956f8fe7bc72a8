#pragma once
// Where the connection file and the driver file are: the user settings of
// "DataDriver" may name them ("Connection Registry File", "Driver Registry
// File"); otherwise connections.ini and drivers.ini beside the program.
#include <string>

// The folder of the running program, with a trailing "/". Read from
// /proc/self/exe, so it needs no application object.
std::string ProgramFolder();

// The path named by a settings value, or the default file beside the program
// when the value is missing or empty.
std::string ConfigFilePath(const std::string &settingValue, const char *defaultFileName);

std::string ConnectionFilePath();
std::string DriverFilePath();

inline constexpr const char *kConnectionFileKey = "Connection Registry File";
inline constexpr const char *kDriverFileKey = "Driver Registry File";
