#pragma once

#include "platform/PartialFile.h"

#include <cstdio>
#include <optional>
#include <string>

// A file the run writes. It is created when the object is, so a name that
// cannot be written fails before the first tile, and it counts as written
// only when Close found every byte delivered. The name "-" stands for
// standard output, which is flushed but left open.
//
// A streamed file is written under its own name as the run goes, so a run
// that dies leaves what it wrote. A whole file is written under a temporary
// name beside it and renamed into place by Close, so a run that dies leaves
// none (a device or pipe is written in place). A file whose name no longer leads to it at Close
// (its folder was removed or replaced mid-run) counts as lost.
class COutputFile {
public:
    enum class Kind { Streamed, Whole };

    // `what` names the file in messages: "Unable to create <what> <name>:
    // <reason>", "Unable to write <what> <name>: <reason>".
    COutputFile(const std::string& fileName, std::string what, Kind kind = Kind::Streamed);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    void Write(const std::string& text);
    // Hands everything written so far to the system, so a run that dies
    // later leaves it behind.
    void Flush();
    // Throws "Unable to write <what> <name>" when any part was lost.
    void Close();

private:
    // Marks the file failed unless `succeeded`, keeping the first failure's
    // reason: `why`, or the system's words for the last error.
    void Check(bool succeeded, const char* why = nullptr);
    void ThrowWriteFailure() const;

    std::optional<CPartialFile> partial;
    std::string name;
    std::string description;
    FILE* file = nullptr;
    bool failed = false;
    std::string reason;
};
