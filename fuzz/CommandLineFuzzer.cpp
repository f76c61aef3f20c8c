// Feeds the command-line parser the input as one joined command line. The
// parser refuses bad input by throwing the program's error; any other way out
// is a fault. A line may name a regions file to replay, which the parser
// reads, but it writes nothing: -saveRegions is only recorded here.
#include "app/CommandLineParser.h"
#include "platform/ZarnikError.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parser takes a zero-terminated text, so an inner zero byte ends it.
    const std::string commandLine(reinterpret_cast<const char*>(data), size);
    CParsedCommandLine options;
    try {
        ParseCommandLine(commandLine.c_str(), options);
    } catch (const CZarnikError&) {
    }
    return 0;
}
