// Path and directory helpers shared by the launcher. "\\" is the only
// separator these operations recognise.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// Paths and settings live in 1024-byte places: at most 1023 characters.
constexpr std::size_t kPathBufferSize = 1024;
constexpr std::size_t kMaxPathLength = kPathBufferSize - 1;
constexpr std::string_view kFallbackTempDirectory = "C:\\TEMP";

// Appends "\\" unless the path already ends with one, then the component.
void append_path_component(std::string& path, std::string_view component);
// `component` inside `directory`; the component alone without a directory.
std::string path_under(std::string_view directory, std::string_view component);
// The path cut at its last "\\"; nullopt for an empty path, which has no parent.
std::optional<std::string> parent_directory(std::string_view path);
void strip_trailing_separator(std::string& path);

// Drive-letter test as the platform decides it (IsCharAlphaA on Windows).
using LetterTest = bool (*)(char);
bool is_valid_absolute_path(std::string_view path, LetterTest is_letter);
// The temporary directory chosen from the values of TEMP and TMP (nullopt: unset).
std::string choose_temp_directory(std::optional<std::string_view> temp, std::optional<std::string_view> tmp,
                                  LetterTest is_letter);
// The directory part of a program's full path, without a trailing "\\".
std::string program_directory_of(std::string_view module_path);

bool is_valid_absolute_path(std::string_view path);
bool path_exists(const std::string& path);
bool make_directories(const std::string& path);
// The directory this program was started from (its module's, not the current
// one); nullopt once the failure has been written to the console.
std::optional<std::string> program_directory();
std::string temp_directory();
// The full path of `path`, or `path` itself when it cannot be resolved within its place.
std::string absolute_path(const std::string& path);

}  // namespace kit
