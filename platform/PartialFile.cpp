#include "platform/PartialFile.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace {

// The temporaries a signal handler removes. Only what is async-signal-safe
// happens in the handler: it reads lock-free atomics and fixed buffers and
// calls unlink and _exit.
constexpr size_t kSlotCount = 256;
constexpr size_t kPathLength = 1024;

enum SlotState : int { kFree, kBusy, kReady };

struct Slot {
    std::atomic<int> state{kFree};
    std::array<char, kPathLength> path{};
};

std::array<Slot, kSlotCount> slots;

// -1 when the name is too long or every slot is taken: the temporary is then
// only removed by its object.
int Register(const std::string& path) {
    if (path.size() >= kPathLength) {
        return -1;
    }
    for (size_t index = 0; index < kSlotCount; ++index) {
        int expected = kFree;
        if (slots[index].state.compare_exchange_strong(expected, kBusy)) {
            std::memcpy(slots[index].path.data(), path.c_str(), path.size() + 1);
            slots[index].state.store(kReady);
            return static_cast<int>(index);
        }
    }
    return -1;
}

void Unregister(int slot) {
    if (slot >= 0) {
        slots[static_cast<size_t>(slot)].state.store(kFree);
    }
}

// The renames held back for the run, if one holds them.
CDeferredRenames* deferred = nullptr;

bool IsDeviceOrPipe(const std::string& name) {
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

extern "C" void RemoveAndExit(int signal) {
    for (Slot& slot : slots) {
        if (slot.state.load() == kReady) {
            ::unlink(slot.path.data());
        }
    }
    ::_exit(128 + signal);
}

} // namespace

std::string PartialNameFor(const std::string& finalName) {
    const std::filesystem::path path(finalName);
    std::string hidden = ".partial-";
    hidden += std::to_string(::getpid());
    hidden += '-';
    hidden += path.filename().string();
    return (path.parent_path() / hidden).string();
}

// A device or pipe is its own "temporary": written in place, never renamed.
CPartialFile::CPartialFile(std::string name)
    : finalName(std::move(name)),
      temporaryName(IsDeviceOrPipe(finalName) ? finalName : PartialNameFor(finalName)),
      slot(temporaryName == finalName ? -1 : Register(temporaryName)),
      committed(temporaryName == finalName) {}

CPartialFile::~CPartialFile() {
    if (!committed) {
        std::remove(temporaryName.c_str());
    }
    Unregister(slot);
}

bool CPartialFile::Commit() {
    if (temporaryName == finalName) {
        return true;
    }
    if (deferred != nullptr) {
        deferred->held.push_back({temporaryName, finalName, slot});
        committed = true;
        slot = -1;
        return true;
    }
    committed = std::rename(temporaryName.c_str(), finalName.c_str()) == 0;
    if (!committed) {
        std::remove(temporaryName.c_str());
    }
    Unregister(slot);
    slot = -1;
    return committed;
}

CDeferredRenames::CDeferredRenames() {
    deferred = this;
}

CDeferredRenames::~CDeferredRenames() {
    deferred = nullptr;
    for (const Held& file : held) {
        std::remove(file.temporaryName.c_str());
        Unregister(file.slot);
    }
}

std::string CDeferredRenames::RenameAll() {
    deferred = nullptr;
    std::string failed;
    for (const Held& file : held) {
        if (failed.empty() &&
            std::rename(file.temporaryName.c_str(), file.finalName.c_str()) != 0) {
            failed = file.finalName;
        }
        if (!failed.empty()) {
            std::remove(file.temporaryName.c_str());
        }
        Unregister(file.slot);
    }
    held.clear();
    return failed;
}

void RemovePartialFilesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveAndExit;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}
