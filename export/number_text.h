// Numbers as text for the written files and messages: the shortest form that reads back as
// the same double, with a point as the decimal separator whatever the locale.
#pragma once

#include <string>

namespace quorvel {

std::string numberText(double value);  // e.g. "-90", "0.4", "1.6"

}  // namespace quorvel
