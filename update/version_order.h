// The order of version texts the update check compares with: texts are read from the left; a run
// of decimal digits compares as its number and ranks above every other character, letters
// compare without regard to case, anything else by its code. The first difference decides; a text
// that ends first is lower. So 2.14 is above 2.9, and 2.14a is above 2.14.
#pragma once

#include <string>

namespace tintel {

// Negative when `a` comes before `b`, 0 when they are equal in this order, positive after.
int CompareVersions(const std::string& a, const std::string& b);

}  // namespace tintel
