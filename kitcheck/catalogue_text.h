// The text form of a message catalogue, which authors write and translate:
// one KEY=TEXT a line in UTF-8, escapes \n (line feed), \r (carriage return),
// \t (tab) and \\ (backslash); lines starting with # and blank lines are
// ignored. The binary form setup.exe loads holds the same records, each
// ended by a NUL byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kitcheck {

struct CatalogueProblem {
    int line;  // of the text form, or the record's number in the binary form; 0: the whole file
    std::string text;
};

struct CatalogueConversion {
    std::string output;
    std::vector<CatalogueProblem> problems;  // none: the output is the whole catalogue
};

// The binary catalogue of a text form.
CatalogueConversion make_catalogue(std::string_view text);
// The text form of a binary catalogue; records it cannot hold are left out
// and named.
CatalogueConversion dump_catalogue(std::string_view bytes);

}  // namespace kitcheck
