#pragma once

#include "options/ParsedCommandLine.h"

// Refuses a run whose outputs would replace one of its inputs or one
// another, before any file is opened for writing. Two names are the same
// file when they reach the same device and inode, or, for a file that does
// not exist yet, the same absolute path once every symbolic link of its
// folder is resolved.
//
// The inputs are -i, -c, -useRegions and the original's mask file (its name
// with ".msk" appended); the outputs -json (not "-": standard output),
// -tileValues, -qualityMap with the quick look, world file and coordinate
// system file written beside it, -saveRegions and -html. The best and worst
// tile files are named by their values, so a prefix is refused when any
// other input or output lies in the prefix's folder under a name its tile
// files could take ("<prefix>a_<value>__<x>_<y>_o.tiff" or "..._c.tiff").
// The best and worst prefixes may be the same: a tile among both writes the
// same files twice with the same content.
//
// Throws a CZarnikError naming both options and the file.
void CheckOutputClashes(const CParsedCommandLine& options);
