// File, directory and node operations that the management tools run on the
// nodes of a cluster, addressed through paths the caller forms.
#include <windows.h>
#include <lmcons.h>
#include <lmerr.h>
#include <lmshare.h>

#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "common/unique_resource.h"
#include "nativesystem/cluster_paths.h"
#include "nativesystem/jni_frame.h"
#include "nativesystem/result_text.h"
#include "velmor_ops_mgmt_nativesystem_WindowsNative.h"

namespace nativesystem {

namespace {

// Size of the file-system name the volume query fills.
constexpr DWORD kFileSystemNameSize = 100;
// First size tried for an environment value; longer ones are read again.
constexpr std::size_t kEnvironmentValueChars = 256;

// Takes the last error right after a platform call that reported failure.
bool succeeded(BOOL result, DWORD& error) {
    if (result) return true;
    error = GetLastError();
    return false;
}

// "0|": a string argument whose text the VM could not give; "0|" and the
// error text for one without an ANSI form.
jstring missing_text_result(JNIEnv* env, const JniAnsiString& text) {
    if (text.error()) return make_result_string(env, 0, text.error());
    return new_java_string(env, result_text(0, ""));
}

// Runs `operation`(texts..., error) on the texts of `arguments` and reports it
// as "1| " or "0|" + the system text of its error.
template <typename Operation, typename... Strings>
jstring file_operation(JNIEnv* env, Operation operation, Strings... arguments) {
    const JniAnsiString texts[] = {JniAnsiString(env, arguments)...};
    for (const JniAnsiString& text : texts) {
        if (!text) return missing_text_result(env, text);
    }
    DWORD error = ERROR_SUCCESS;
    const bool ok = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return operation(texts[I].get()..., error);
    }(std::index_sequence_for<Strings...>{});
    return make_result_string(env, ok ? 1 : 0, error);
}

bool copy_file(const char* from, const char* to, DWORD& error) { return succeeded(CopyFileA(from, to, FALSE), error); }

bool move_file(const char* from, const char* to, DWORD& error) { return succeeded(MoveFileA(from, to), error); }

bool delete_file(const char* file, DWORD& error) { return succeeded(DeleteFileA(file), error); }

bool remove_directory(const char* directory, DWORD& error) {
    return succeeded(RemoveDirectoryA(directory), error);
}

bool is_lead_byte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

bool create_directory_path(const char* path, DWORD& error) {
    const DirectoryLevels plan = directory_levels(path, is_lead_byte);
    if (plan.error != 0) {
        error = plan.error;
        return false;
    }
    for (const std::string& level : plan.levels) {
        if (!succeeded(CreateDirectoryA(level.c_str(), nullptr), error) && error != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;
}

bool delete_with_readonly_retry(const wchar_t* path, bool is_file, DWORD& error) {
    const auto remove = [&] { return is_file ? DeleteFileW(path) : RemoveDirectoryW(path); };
    if (succeeded(remove(), error)) return true;
    if (error != ERROR_ACCESS_DENIED) return false;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    if (!SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return false;
    return succeeded(remove(), error);
}

// `too_long` is set when a sub-directory anywhere below was left because its
// path does not fit. The walk is in UTF-16 throughout: an ANSI listing gives
// look-alikes for names the code page lacks, and a look-alike may name
// another file or lead out of the tree.
bool remove_directory_tree(const std::wstring& path, DWORD& error, bool& too_long) {
    if (is_dot_name(path)) {
        error = kErrorBadPathname;
        return false;
    }
    if (delete_with_readonly_retry(path.c_str(), false, error)) return true;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    if (error != ERROR_DIR_NOT_EMPTY) return false;

    const std::optional<std::wstring> pattern = tree_entry_path(path, L"*");
    if (!pattern) {
        error = kErrorFilenameExcedRange;
        return false;
    }
    WIN32_FIND_DATAW entry;
    vel::unique_find listing(FindFirstFileW(pattern->c_str(), &entry));
    if (!listing) {
        error = GetLastError();
        return false;
    }
    do {
        const bool is_directory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (is_directory && is_dot_name(entry.cFileName)) continue;
        const std::optional<std::wstring> child = tree_entry_path(path, entry.cFileName);
        if (!child && is_directory) {
            // Skipped like any other sub-directory that cannot go.
            too_long = true;
            continue;
        }
        if (!child) {
            error = kErrorFilenameExcedRange;
            return false;
        }
        if (is_directory) {
            // A level left behind shows up as the final removal's error. A
            // linked directory loses only its link, never the files it shows.
            DWORD ignored = ERROR_SUCCESS;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                delete_with_readonly_retry(child->c_str(), false, ignored);
            } else {
                remove_directory_tree(*child, ignored, too_long);
            }
        } else if (!delete_with_readonly_retry(child->c_str(), true, error)) {
            return false;
        }
    } while (FindNextFileW(listing.get(), &entry));
    const DWORD listing_end = GetLastError();
    if (listing_end != ERROR_NO_MORE_FILES) {
        error = listing_end;
        return false;
    }
    listing.reset();
    return delete_with_readonly_retry(path.c_str(), false, error);
}

// The whole tree; a level left behind for a path too long to place is
// reported as that, not as a directory that is not empty.
bool remove_whole_tree(const char* path, DWORD& error) {
    bool too_long = false;
    if (remove_directory_tree(wide_from_ansi(path), error, too_long)) return true;
    if (too_long && error == ERROR_DIR_NOT_EMPTY) error = kErrorFilenameExcedRange;
    return false;
}

// The variable's value in UTF-16, as the process's environment holds it:
// the C runtime's copy and the ANSI functions give look-alikes for what the
// code page lacks. Nothing when the variable is not set.
std::optional<std::wstring> environment_value(const char* name) {
    const std::wstring wide_name = wide_from_ansi(name);
    std::wstring value(kEnvironmentValueChars, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length =
            GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        // Too small: the length asked for counts the terminator.
        value.assign(length, L'\0');
    }
}

bool is_cluster_file_system(const char* drive) {
    const std::optional<std::string> root = volume_root_path(drive);
    if (!root) return false;
    char name[kFileSystemNameSize] = {};
    if (!GetVolumeInformationA(root->c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, sizeof name)) {
        return false;
    }
    return kClusterFileSystemName == name;
}

// NERR_Success when one of `servers` shares drive C, by its letter or as its
// administrative share. NetShareCheck answers with its status and leaves the
// last error alone: a failure is described by the last probe's status.
NET_API_STATUS probe_shares(std::initializer_list<std::wstring> servers) {
    wchar_t drive[] = L"C";
    wchar_t share[] = L"C$";
    NET_API_STATUS probe_status = NERR_Success;
    for (std::wstring server : servers) {
        for (wchar_t* device : {drive, share}) {
            DWORD type = 0;
            probe_status = NetShareCheck(server.data(), device, &type);
            if (probe_status == NERR_Success) return probe_status;
        }
    }
    return probe_status;
}

// What getEnvironment answers when the heap ran out.
jstring environment_failure_result(JNIEnv* env) noexcept { return new_java_string(env, "0|Failure"); }

}  // namespace

}  // namespace nativesystem

using namespace nativesystem;

extern "C" {

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_copyFileCluster(
    JNIEnv* env, jobject, jstring source, jstring target) {
    return result_at_boundary(env, [&] { return file_operation(env, copy_file, source, target); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_moveFileCluster(
    JNIEnv* env, jobject, jstring source, jstring target) {
    return result_at_boundary(env, [&] { return file_operation(env, move_file, source, target); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_removeFileCluster(JNIEnv* env, jobject,
                                                                                           jstring path) {
    return result_at_boundary(env, [&] { return file_operation(env, delete_file, path); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_removeDirCluster(JNIEnv* env, jobject,
                                                                                          jstring path) {
    return result_at_boundary(env, [&] { return file_operation(env, remove_directory, path); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_createDirCluster(JNIEnv* env, jobject,
                                                                                          jstring path) {
    return result_at_boundary(env, [&] { return file_operation(env, create_directory_path, path); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_removeDirRecurseCluster(JNIEnv* env,
                                                                                                 jobject,
                                                                                                 jstring path) {
    return result_at_boundary(env, [&] { return file_operation(env, remove_whole_tree, path); });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_getFreeSpace(JNIEnv* env, jobject,
                                                                                      jstring path) {
    return result_at_boundary(env, [&] {
        JniAnsiString directory(env, path);
        if (!directory) return missing_text_result(env, directory);
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER free_bytes;
        DWORD error = ERROR_SUCCESS;
        const bool ok = succeeded(GetDiskFreeSpaceExA(directory.get(), &available, &total, &free_bytes), error);
        directory.reset();
        if (!ok) return make_result_string(env, 0, error);
        return new_java_string(env, free_space_result(free_kilobytes(free_bytes.QuadPart)));
    });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_isNodeAccessible(JNIEnv* env, jobject,
                                                                                          jstring node) {
    return result_at_boundary(env, [&] {
        JniAnsiString name(env, node);
        if (!name) return missing_text_result(env, name);
        const std::optional<std::string> unc = unc_server_name(name.get());
        if (!unc) return make_result_string(env, 0, kErrorFilenameExcedRange);
        const NET_API_STATUS probe_status = probe_shares({wide_from_ansi(name.get()), wide_from_ansi(*unc)});
        name.reset();
        return make_result_string(env, probe_status == NERR_Success ? 1 : 0, probe_status);
    });
}

JNIEXPORT jboolean JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_dirExists(JNIEnv* env, jobject,
                                                                                    jstring path, jobject status) {
    return at_boundary(env, status, jboolean{JNI_FALSE}, [&]() -> jboolean {
        JniAnsiString directory(env, path);
        if (directory.error()) {
            report_error(env, status, directory.error());
            return JNI_FALSE;
        }
        if (!directory) {
            fail_traced(env, status, "sDestDir = null\n");
            return JNI_FALSE;
        }
        native_trace(env, status, "Calling GetFileAttributes");
        const DWORD attributes = GetFileAttributesA(directory.get());
        const DWORD query_error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
        if (attributes == INVALID_FILE_ATTRIBUTES && query_error != ERROR_FILE_NOT_FOUND &&
            query_error != ERROR_PATH_NOT_FOUND) {
            // Denied, unreachable or an invalid name: the question has no answer.
            native_trace(env, status, " dirExists: %s is not a directory Windows retcode =%d", directory.get(), -1);
            native_trace(env, status, "Error getting directory attributes");
            report_error(env, status, query_error);
            return JNI_FALSE;
        }
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
            if (exists) {
                native_trace(env, status, " dirExists: directory detected dir name=%s, retCode = %d",
                             directory.get(), static_cast<int>(attributes));
            } else {
                // "retcode" and "retCode" differ between these traces as log parsers expect.
                native_trace(env, status, " dirExists: %s is not a directory Windows retcode =%d", directory.get(),
                             -1);
            }
            // "DirExist", not "dirExists": log parsers match the text as it is.
            native_trace(env, status, "DirExist native code completed successfully\n");
            report_success(env, status);
            return exists ? JNI_TRUE : JNI_FALSE;
        }
        // The query succeeded, so no last error describes the outcome: the
        // path names something that is not a directory.
        // The double full stop is part of the text log parsers match.
        native_trace(env, status, " dirExists: Not a directory..Not a known file type Windows retCode =%d",
                     static_cast<int>(attributes));
        native_trace(env, status, "Error getting directory attributes");
        report_error(env, status, ERROR_DIRECTORY);
        return JNI_FALSE;
    });
}

JNIEXPORT jstring JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_getEnvironment(JNIEnv* env, jobject,
                                                                                        jstring name) {
    return result_at_boundary(
        env,
        [&] {
            JniAnsiString variable(env, name);
            std::optional<std::wstring> value;
            if (variable) value = environment_value(variable.get());
            return new_java_string(env, environment_result(value ? value->c_str() : nullptr));
        },
        environment_failure_result);
}

JNIEXPORT jboolean JNICALL Java_velmor_ops_mgmt_nativesystem_WindowsNative_isCFS(JNIEnv* env, jobject,
                                                                                jstring drive) {
    return at_boundary(jboolean{JNI_FALSE}, [&]() -> jboolean {
        JniAnsiString text(env, drive);
        return text && is_cluster_file_system(text.get()) ? JNI_TRUE : JNI_FALSE;
    });
}

}  // extern "C"
