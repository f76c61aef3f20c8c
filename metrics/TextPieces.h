#pragma once

#include <string>
#include <vector>

// The text helpers the statistics' name lists and the command line share.

// `text` without leading and trailing blanks, tabs and line ends.
std::string Trim(const std::string& text);

// Every piece of `text` between occurrences of `separator`, empty pieces
// included: "a,,b" gives "a", "" and "b".
std::vector<std::string> Split(const std::string& text, const std::string& separator);
