#pragma once

#include <cpl_error.h>

// Keeps GDAL from printing its own error text while in scope: the readers
// report failures with their own messages, and the program writes nothing to
// standard error.
class CGdalQuietErrors {
public:
    CGdalQuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
    ~CGdalQuietErrors() { CPLPopErrorHandler(); }
    CGdalQuietErrors(const CGdalQuietErrors&) = delete;
    CGdalQuietErrors& operator=(const CGdalQuietErrors&) = delete;
};
