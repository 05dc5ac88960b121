// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace varnholt {

// The paths of a list file, in order: one per line (a trailing carriage return and empty
// lines are dropped), or separated by NUL bytes when `nulSeparated` (what `find -print0`
// writes; such names may hold line breaks).
std::vector<std::string> readPathList(std::istream& in, bool nulSeparated);

}  // namespace varnholt
