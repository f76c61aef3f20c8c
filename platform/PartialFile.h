#pragma once

#include <string>
#include <vector>

// A file completed under a temporary name in its final folder and renamed
// into place once whole, so that nothing under the final name looks finished
// before it is, and an earlier file of that name stays until the new one
// replaces it. The temporary name is ".partial-<process id>-" and the final file
// name, so that a driver naming files beside it by the final name's
// extension (a world file, an auxiliary file) names them as the temporaries
// of those files. While the object lives, an interrupted run (see
// RemovePartialFilesOnInterrupt) removes the temporary. A final name that
// is a device or a pipe (or a link to one, /dev/stdout say) is written in
// place: it is never replaced, and it has no temporary.
class CPartialFile {
public:
    explicit CPartialFile(std::string finalName);
    // Removes the temporary unless it was renamed into place.
    ~CPartialFile();
    CPartialFile(const CPartialFile&) = delete;
    CPartialFile& operator=(const CPartialFile&) = delete;

    const std::string& FinalName() const { return finalName; }
    const std::string& TemporaryName() const { return temporaryName; }
    // Renames the temporary into place; false when that failed (the folder
    // vanished, say), the temporary then removed. While a CDeferredRenames
    // lives, the rename waits for it, and the temporary outlives the object.
    bool Commit();

private:
    std::string finalName;
    std::string temporaryName;
    int slot;
    bool committed;
};

// Holds back the renames of the files committed while it lives, so that the
// outputs of one run appear together at its end: a run that fails after
// completing one of them leaves none. One at a time.
class CDeferredRenames {
public:
    CDeferredRenames();
    // Removes the temporaries not renamed.
    ~CDeferredRenames();
    CDeferredRenames(const CDeferredRenames&) = delete;
    CDeferredRenames& operator=(const CDeferredRenames&) = delete;

    // Renames every held file into place, in the order committed; returns
    // the final name of the first that could not be renamed, empty when all
    // were. The files after a failure are removed.
    std::string RenameAll();

private:
    friend class CPartialFile;
    struct Held {
        std::string temporaryName;
        std::string finalName;
        int slot;
    };
    std::vector<Held> held;
};

// The temporary name CPartialFile uses for `finalName`.
std::string PartialNameFor(const std::string& finalName);

// Catches SIGINT, SIGTERM and SIGHUP: every temporary of a living
// CPartialFile is removed and the process ends with 128 + the signal's number
// (130, 143, 129), as shells report a process the signal ended.
void RemovePartialFilesOnInterrupt();
