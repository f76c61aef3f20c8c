#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Names of the functions the program's dynamic symbol table defines.
std::set<std::string> DefinedDynamicSymbols(const std::string& binary) {
    std::set<std::string> names;
    FILE* listing = popen(("nm -D --defined-only '" + binary + "'").c_str(), "r");
    if (listing == nullptr) {
        return names;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, listing) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name && type == "T") {
            names.insert(name);
        }
    }
    pclose(listing);
    return names;
}

TEST(ExportedSymbolsTest, TheProgramExportsTheNumericHelpersUnmangled) {
    const std::set<std::string> symbols = DefinedDynamicSymbols(ZARNIK_BINARY);
    for (const char* name : {"_round", "_max", "_min", "_cmp_float", "_matrix_cmp"}) {
        EXPECT_EQ(1u, symbols.count(name)) << name << " is not exported by " << ZARNIK_BINARY;
    }
}

} // namespace
