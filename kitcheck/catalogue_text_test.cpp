#include "kitcheck/catalogue_text.h"

#include <gtest/gtest.h>

#include "kitcheck/checks.h"

namespace kitcheck {
namespace {

using namespace std::string_literals;

std::vector<std::string> lines_of(const std::vector<CatalogueProblem>& problems) {
    std::vector<std::string> lines;
    for (const CatalogueProblem& problem : problems) lines.push_back(std::to_string(problem.line) + ": " + problem.text);
    return lines;
}

// The checker's maker and the build's make the same bytes of the shipped
// texts, and a dump makes them again.
TEST(CatalogueText, ShippedCataloguesMadeAsTheBuildMakesThemAndBack) {
    for (const char* name : {"cons", "cons_de"}) {
        SCOPED_TRACE(name);
        const std::optional<std::string> text = read_whole_file(std::string(VEL_CATALOGUE_TEXTS) + "/" + name + ".txt");
        const std::optional<std::string> built = read_whole_file(std::string(VEL_BUILT_RESOURCES) + "/" + name + ".nls");
        ASSERT_TRUE(text && built);
        const CatalogueConversion made = make_catalogue(*text);
        EXPECT_EQ(lines_of(made.problems), std::vector<std::string>{});
        EXPECT_EQ(made.output, *built);
        const CatalogueConversion dumped = dump_catalogue(*built);
        EXPECT_EQ(lines_of(dumped.problems), std::vector<std::string>{});
        EXPECT_EQ(make_catalogue(dumped.output).output, *built);
    }
}

TEST(CatalogueText, EachMistakeIsNamedWithItsLine) {
    struct Case {
        std::string text;
        std::string output;
        std::vector<std::string> problems;
    };
    const std::vector<Case> cases = {
        {"\xEF\xBB\xBF# saved by Notepad\r\nS_A=one\\ttwo\\\\\\n\r\n\nS_B=x=y\n", "S_A=one\ttwo\\\n\0S_B=x=y\0"s, {}},
        {"S_A=a\ns_b=b\nS_C text\n=x\n", "", {
             "2: expected KEY=TEXT with a key of S_ and upper-case letters, digits or _",
             "3: expected KEY=TEXT with a key of S_ and upper-case letters, digits or _",
             "4: expected KEY=TEXT with a key of S_ and upper-case letters, digits or _"}},
        {"S_A=C:\\Temp\nS_B=a\rb\nS_C=caf\xe9\nS_D=x\nS_D=again\n", "", {
             "1: unknown escape: write \\n, \\r, \\t, or \\\\ for a backslash",
             "2: a NUL or carriage return in the line: write \\r for a carriage return",
             "3: not UTF-8: save the text form as UTF-8",
             "5: S_D given again"}},
        {"S_A=" + std::string(1018, 'x') + "\nS_B=" + std::string(1019, 'x') + "\n", "", {
             "2: record of 1023 bytes: setup.exe takes at most 1022"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const CatalogueConversion made = make_catalogue(c.text);
        EXPECT_EQ(made.output, c.output);
        EXPECT_EQ(lines_of(made.problems), c.problems);
    }

    const CatalogueConversion dumped = dump_catalogue("S_A=a\\b\n\0no key\0S_A=again\0S_B=tail"s);
    EXPECT_EQ(dumped.output, "S_A=a\\\\b\\n\n");
    EXPECT_EQ(lines_of(dumped.problems),
              (std::vector<std::string>{"2: record without \"=\": left out",
                                        "3: S_A given again: setup.exe shows the first text, this one is left out",
                                        "0: the last 8 bytes have no closing NUL: records end with a NUL byte; left "
                                        "out"}));
}

}  // namespace
}  // namespace kitcheck
