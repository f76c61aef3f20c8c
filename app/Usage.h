#pragma once

#include <iostream>
#include <ostream>

// Writes the usage text, to standard output unless told otherwise.
void PrintUsage(std::ostream& out = std::cout);
