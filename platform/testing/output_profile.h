// Test support only (built into the tests, never into the program), Linux: sets the colour
// profile of a RandR output as a colour manager does, through the "_ICC_PROFILE" output property
// (8-bit), over a connection of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::testing {

// Replaces the output's profile with `bytes`, or deletes it when they are empty. False when the
// output does not exist or the server refuses.
bool setOutputProfile(const std::string& output, const std::vector<uint8_t>& bytes);

}  // namespace platform::testing
