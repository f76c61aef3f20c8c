#include "app/ProgramEntry.h"
#include "platform/PartialFile.h"

int main(int argc, char** argv) {
    // An interrupted run leaves no output that looks finished.
    RemovePartialFilesOnInterrupt();
    return RunProgram(argc, argv);
}
