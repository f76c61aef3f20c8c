#pragma once

#include <cstdio>
#include <string>

// A file the run writes. It is created when the object is, so a name that
// cannot be written fails before the first tile, and it counts as written
// only when Close found every byte delivered. The name "-" stands for
// standard output, which is flushed but left open.
class COutputFile {
public:
    // `what` names the file in messages: "Unable to create <what> <name>".
    COutputFile(const std::string& fileName, std::string what);
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
    void ThrowWriteFailure() const;

    std::string name;
    std::string description;
    FILE* file = nullptr;
    bool failed = false;
};
