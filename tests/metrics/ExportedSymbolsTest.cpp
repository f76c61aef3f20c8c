#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(ExportedSymbolsTest, TheProgramExportsTheNumericHelpersUnmangled) {
    // The program's dynamic symbol table, one "address type name" a line.
    FILE* listing = popen("nm -D --defined-only '" ZARNIK_BINARY "'", "r");
    ASSERT_NE(nullptr, listing);
    static char buffer[1 << 22];
    const std::string symbols(buffer, std::fread(buffer, 1, sizeof buffer, listing));
    EXPECT_EQ(0, pclose(listing));
    for (const char* helper : {"_round", "_max", "_min", "_cmp_float", "_matrix_cmp"}) {
        EXPECT_NE(std::string::npos, symbols.find(std::string(" T ") + helper + "\n"))
            << helper << " is not exported by " ZARNIK_BINARY;
    }
}

} // namespace
