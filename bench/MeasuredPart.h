#pragma once
// Marks the part of a benchmark iteration that bench/instructions.py counts under callgrind
// (started with collection off): the timed work and nothing of its set-up. The script counts the
// calls of the destructor, which is therefore never inlined, to know how many parts it measured.
// Outside valgrind a mark is a handful of instructions.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define QUARRIX_TOGGLE_COLLECT() CALLGRIND_TOGGLE_COLLECT
#else
#define QUARRIX_TOGGLE_COLLECT() ((void)0)
#endif

namespace quarrix {

class MeasuredPart {
 public:
  MeasuredPart() { QUARRIX_TOGGLE_COLLECT(); }
  [[gnu::noinline]] ~MeasuredPart() { QUARRIX_TOGGLE_COLLECT(); }
  MeasuredPart(const MeasuredPart&) = delete;
  MeasuredPart& operator=(const MeasuredPart&) = delete;
};

}  // namespace quarrix
