#include "platform/fs/built_in_data.h"

namespace plat {

// The Linux program reads its data files from dat/ and res/ beside it only.
bool ReadBuiltInData(std::wstring_view, std::vector<unsigned char>&) {
  return false;
}

}  // namespace plat
