#pragma once

#include <string>
#include <vector>

// The added option that an unknown option name is a near miss of: the same
// but for case, a doubled hyphen, or one or two letters (added, dropped,
// changed or swapped), and nearer to it than to any option in `ownOptions`,
// the options the program has always had, whose unknown names stay ignored.
// Empty when there is none.
std::string NearMissOf(const std::string& name, const std::vector<std::string>& addedOptions,
                       const std::vector<std::string>& ownOptions);
