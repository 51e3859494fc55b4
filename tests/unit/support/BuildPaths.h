#pragma once
// Where this build's qx and source tree are. Kept out of the other test objects' command lines
// so that the compiler cache can share them between checkouts.
#include <string>

namespace quarrix::testing {

const std::string& QxPath();
const std::string& SourceDir();

}  // namespace quarrix::testing
