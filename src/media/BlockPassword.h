#pragma once
// The password of a web media block, kept scrambled in the payload.
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

// Every character XOR its position, then each pair of characters read as a hexadecimal byte
// written second digit first. An odd last character is dropped; a pair that is not hexadecimal
// gives nothing.
std::string UnscrambleBlockPassword(std::string_view stored);
// The inverse, which the authoring side writes.
std::string ScrambleBlockPassword(std::string_view password);

// The password stored under the block's name in the payload's pairs, else under "offline".
std::string BlockPassword(const StringList& webMediaPasswords, std::string_view blockName);

}  // namespace quarrix
