#pragma once
// Ending the process at once with an exit code, from anywhere in start-up or the run.
// Deliberately not a std::exception: start-up's guard turns every std::exception into exit
// code 11, and an immediate end must pass through it untouched, without trace or clean-up.

namespace quarrix {

struct ProcessExit {
  int code;
};

}  // namespace quarrix
