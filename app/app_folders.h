#pragma once
// The two folders start-up works out, read by the rest of the wizard. Written
// on the window thread before the wizard opens, only read afterwards.
#include <string>

// The folder of the program file, without a trailing separator (native
// absolute path); the data files lie in its "dat" folder.
inline std::wstring g_programFolder;
// The user's application-data folder + "\Velorin\PSP Lumetra 2010", or empty.
inline std::wstring g_dataFolder;
