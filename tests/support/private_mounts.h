#pragma once
// The mount namespace of a test process that mounts. The process enters a
// namespace of its own before main (while it has one thread, as unshare
// requires) with private propagation, so every mount it makes ends with it,
// even when it aborts, and none is seen outside it. The mounts other test
// processes had made when it started (fixtures' "swaymo-*" folders) are not
// seen in it either.
#include <string>

namespace testsupport {

// Empty when the process has its own mount namespace; otherwise why not.
const std::string& PrivateMountsFailure();

}  // namespace testsupport
