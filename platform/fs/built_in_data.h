#pragma once
// The copies of the data files built into the program (program_data.h).
#include <string_view>
#include <vector>

namespace plat {

// The built-in copy of the data file at path, when path lies in the program
// folder; false when there is none (always, where nothing is built in).
bool ReadBuiltInData(std::wstring_view path, std::vector<unsigned char>& bytes);

}  // namespace plat
