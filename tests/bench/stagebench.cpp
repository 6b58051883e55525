// Staging speed: kit::copy_tree and kit::remove_tree against bare loops of
// CopyFileA and DeleteFileA/RemoveDirectoryA over the same, already listed,
// files, and against a bare one-pass walk that finds what it deletes as it
// goes. Each run copies and removes with all three, in turn going first.
//   stagebench <source tree> <work directory> <runs> <result file>
// Result lines: "<copy_tree|copy_bare|remove_tree|remove_bare|remove_walk|list> <ms>",
// and "bytes <n>", "files <n>", "directories <n>" once. "list" is the time to
// find the copied tree's files, which the walks pay and the bare loops do not.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "launcher/kit/staging.h"

namespace {

struct Tree {
    std::vector<std::string> directories;  // relative, parents first; "" is the root
    std::vector<std::string> files;        // relative
    unsigned long long bytes = 0;
};

std::string join(const std::string& base, const std::string& relative) {
    return relative.empty() ? base : base + "\\" + relative;
}

Tree list_tree(const std::string& root) {
    Tree tree;
    tree.directories.emplace_back();
    for (std::size_t i = 0; i < tree.directories.size(); ++i) {
        const std::string directory = tree.directories[i];
        WIN32_FIND_DATAA entry;
        vel::unique_find listing(FindFirstFileA((join(root, directory) + "\\*.*").c_str(), &entry));
        if (!listing) continue;
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string relative = directory.empty() ? name : directory + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                tree.directories.push_back(relative);
            } else {
                tree.files.push_back(relative);
                tree.bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            }
        } while (FindNextFileA(listing.get(), &entry));
    }
    return tree;
}

double now_ms() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool copy_bare(const Tree& tree, const std::string& source, const std::string& target) {
    for (const std::string& directory : tree.directories) CreateDirectoryA(join(target, directory).c_str(), nullptr);
    for (const std::string& file : tree.files) {
        if (!CopyFileA(join(source, file).c_str(), join(target, file).c_str(), FALSE)) return false;
    }
    return true;
}

void remove_bare(const Tree& tree, const std::string& target) {
    for (const std::string& file : tree.files) DeleteFileA(join(target, file).c_str());
    for (auto it = tree.directories.rbegin(); it != tree.directories.rend(); ++it) {
        RemoveDirectoryA(join(target, *it).c_str());
    }
}

// The least a removal that must find its files does: depth first, each entry
// removed as it is listed, each directory after its content.
void remove_walk(const std::string& directory) {
    WIN32_FIND_DATAA entry;
    vel::unique_find listing(FindFirstFileA((directory + "\\*.*").c_str(), &entry));
    if (listing) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_walk(directory + "\\" + name);
            } else {
                DeleteFileA((directory + "\\" + name).c_str());
            }
        } while (FindNextFileA(listing.get(), &entry));
        listing.reset();
    }
    RemoveDirectoryA(directory.c_str());
}

bool same_shape(const Tree& a, const Tree& b) {
    return a.files.size() == b.files.size() && a.directories.size() == b.directories.size() && a.bytes == b.bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    const std::string source = argv[1];
    const std::string ours = std::string(argv[2]) + "\\ours";
    const std::string bare = std::string(argv[2]) + "\\bare";
    const int runs = std::atoi(argv[3]);
    vel::unique_stdio out(std::fopen(argv[4], "w"));
    if (!out) return 3;

    const Tree tree = list_tree(source);
    std::fprintf(out.get(), "bytes %llu\nfiles %zu\ndirectories %zu\n", tree.bytes, tree.files.size(),
                 tree.directories.size());
    const std::string walked = std::string(argv[2]) + "\\walk";
    enum Side { kTree, kBare, kWalk };
    static const char* const kCopyNames[] = {"copy_tree", "copy_bare", nullptr};
    static const char* const kRemoveNames[] = {"remove_tree", "remove_bare", "remove_walk"};
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 3; ++turn) {
            const Side side = static_cast<Side>((run + turn) % 3);
            const std::string& target = side == kTree ? ours : side == kBare ? bare : walked;
            double start = now_ms();
            const bool copied = side == kTree ? kit::copy_tree(source, target) == 0 : copy_bare(tree, source, target);
            const double copy_ms = now_ms() - start;
            start = now_ms();
            const Tree copy = list_tree(target);
            const double list_ms = now_ms() - start;
            if (!copied || !same_shape(tree, copy)) {
                std::fprintf(out.get(), "error copy %s\n", kCopyNames[side] ? kCopyNames[side] : "bare loop");
                return 4;
            }
            start = now_ms();
            if (side == kTree) {
                kit::remove_tree(target);
            } else if (side == kBare) {
                remove_bare(tree, target);
            } else {
                remove_walk(target);
            }
            const double remove_ms = now_ms() - start;
            if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
                std::fprintf(out.get(), "error remove %s\n", kRemoveNames[side]);
                return 4;
            }
            if (kCopyNames[side]) std::fprintf(out.get(), "%s %.3f\n", kCopyNames[side], copy_ms);
            std::fprintf(out.get(), "%s %.3f\n", kRemoveNames[side], remove_ms);
            if (side == kTree) std::fprintf(out.get(), "list %.3f\n", list_ms);
        }
    }
    return std::fclose(out.release()) == 0 ? 0 : 3;
}
