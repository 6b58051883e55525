#include "nativesystem/jni_frame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

#include "tests/jnihost/jnihost.h"

namespace {

using nativesystem::error_text;

// The frame helpers run inside an export in real use; these exports stand in.
JNIEXPORT jstring JNICALL result_export(JNIEnv* env, jobject, jint outcome, jint code) {
    return nativesystem::make_result_string(env, static_cast<int>(outcome), static_cast<DWORD>(code));
}

JNIEXPORT jstring JNICALL bad_alloc_result_export(JNIEnv* env, jobject) {
    return nativesystem::result_at_boundary(env, []() -> jstring { throw std::bad_alloc(); });
}

JNIEXPORT void JNICALL report_export(JNIEnv* env, jobject, jobject status, jstring failure, jint code) {
    nativesystem::JniAnsiString text(env, failure);
    if (text) {
        nativesystem::report_failure(env, status, text.get(), static_cast<DWORD>(code));
    } else {
        nativesystem::report_success(env, status);
    }
}

// A failed lookup leaves its Java error pending, as in a VM; then a trace and
// a failure report follow, as on the library's failure paths.
JNIEXPORT void JNICALL fail_after_lookup_export(JNIEnv* env, jobject, jobject status) {
    env->FindClass("no/such/Class");
    nativesystem::native_trace(env, status, "never printed\n");
    nativesystem::native_trace(env, status, "nor this");
    nativesystem::report_failure(env, status, "why", ERROR_ACCESS_DENIED);
}

JNIEXPORT void JNICALL bad_alloc_export(JNIEnv* env, jobject, jobject status) {
    nativesystem::at_boundary(env, status, [] { throw std::bad_alloc(); });
}

JNIEXPORT void JNICALL trace_export(JNIEnv* env, jobject, jobject status, jint number) {
    nativesystem::native_trace(env, status, "Data type set = %d\n", static_cast<int>(number));
    nativesystem::native_trace(env, status, "no line end");
}

TEST(ErrorText, SystemMessageWithItsLineEnd) {
    std::string text = error_text(ERROR_FILE_NOT_FOUND);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_THAT(text, testing::Not(testing::HasSubstr("Unknown error")));
    EXPECT_EQ(error_text(0x3fffffffu), "Unknown error 1073741823");
    // A message with an insert is fetched with the insert as it stands.
    const std::string with_insert = error_text(ERROR_BAD_EXE_FORMAT);
    EXPECT_THAT(with_insert, testing::HasSubstr("%1"));
    EXPECT_THAT(with_insert, testing::Not(testing::HasSubstr("Unknown error")));
}

TEST(ResultString, SuccessFailureAndAllocationFailureText) {
    jnihost::Vm vm;
    EXPECT_EQ(vm.text(vm.call(result_export, 1, 5)), "1| ");
    EXPECT_EQ(vm.text(vm.call(result_export, 0, ERROR_FILE_NOT_FOUND)), "0|" + error_text(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(vm.text(vm.call(result_export, 0, 0x3fffffff)), "0|Unknown error 1073741823");
    // A C++ exception at the frame becomes the out-of-memory result.
    EXPECT_EQ(vm.text(vm.call(bad_alloc_result_export)), "0|" + error_text(ERROR_NOT_ENOUGH_MEMORY));
}

TEST(StatusReports, SuccessAndFailureCalls) {
    jnihost::Vm vm;
    jobject status = vm.status();
    jnihost::StdoutCapture out;
    vm.call(report_export, status, nullptr, 0);
    vm.call(report_export, status, vm.str("Access is denied.\r\n"), 0);
    vm.call(report_export, status, vm.str(""), 0);
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(vm.calls(status), (std::vector<std::string>{"setStatus(true)", "setStatus(false)",
                                                          "setOSString(Access is denied.\r\n)", "setStatus(false)",
                                                          "setOSString()"}));
}

TEST(StatusReports, MissingMembersPrintTheirMessageWithoutLineEnd) {
    jnihost::Vm vm;
    jobject no_os_string = vm.status();
    vm.remove_member(no_os_string, "setOSString");
    jobject no_set_status = vm.status();
    vm.remove_member(no_set_status, "setStatus");
    jobject no_class = vm.status();
    vm.without_class(no_class);

    jnihost::StdoutCapture out;
    vm.call(report_export, no_os_string, vm.str("x"), 0);
    vm.call(report_export, no_set_status, vm.str("x"), 0);
    // The VM's error of the failed lookup reaches the Java caller.
    EXPECT_EQ(vm.thrown(), "java/lang/NoSuchMethodError: setStatus");
    vm.call(report_export, no_set_status, nullptr, 0);
    vm.call(report_export, no_class, vm.str("x"), 0);
    vm.call(report_export, no_class, nullptr, 0);
    EXPECT_EQ(out.finish(),
              "Error obtaining method 'setOSString'"
              "Error obtaining method 'setStatus'Error obtaining method 'setStatus'"
              "Error getting the object classError getting the object class");
    EXPECT_EQ(vm.calls(no_os_string), (std::vector<std::string>{"setStatus(false)"}));
    EXPECT_TRUE(vm.calls(no_set_status).empty());
}

TEST(StatusReports, CodeReachesSetOSCodeOnlyWhereTheClassHasIt) {
    jnihost::Vm vm;
    jobject with_code = vm.status(false, true);
    jobject without_code = vm.status();
    jnihost::StdoutCapture out;
    vm.call(report_export, with_code, vm.str("Access is denied.\r\n"), ERROR_ACCESS_DENIED);
    vm.call(report_export, with_code, nullptr, 0);
    vm.call(report_export, with_code, vm.str(""), 0);
    vm.call(report_export, without_code, vm.str("x"), ERROR_ACCESS_DENIED);
    // The failed lookup of setOSCode leaves nothing pending.
    EXPECT_EQ(vm.thrown(), std::nullopt);
    vm.call(bad_alloc_export, with_code);
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(vm.calls(with_code),
              (std::vector<std::string>{"setStatus(false)", "setOSString(Access is denied.\r\n)", "setOSCode(5)",
                                        "setStatus(true)", "setStatus(false)", "setOSString()", "setOSCode(0)",
                                        "setStatus(false)",
                                        "setOSString(" + error_text(ERROR_NOT_ENOUGH_MEMORY) + ")", "setOSCode(8)"}));
    EXPECT_EQ(vm.calls(without_code), (std::vector<std::string>{"setStatus(false)", "setOSString(x)"}));

    // An exception pending before the report is the one the caller gets, not the lookup's.
    vm.call(fail_after_lookup_export, without_code);
    EXPECT_EQ(vm.thrown(), "java/lang/NoClassDefFoundError: no/such/Class");
    jobject with_code_too = vm.status(false, true);
    vm.call(fail_after_lookup_export, with_code_too);
    EXPECT_EQ(vm.calls(with_code_too), (std::vector<std::string>{"setStatus(false)", "setOSString(why)", "setOSCode(5)"}));

    jnihost::Vm throwing;
    throwing.throw_from("setOSCode");
    throwing.call(report_export, throwing.status(false, true), throwing.str("x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(throwing.thrown(), "java/lang/RuntimeException: thrown by setOSCode");
}

TEST(StatusReports, CppExceptionAtTheBoundaryReportsOutOfMemory) {
    jnihost::Vm vm;
    jobject status = vm.status();
    vm.call(bad_alloc_export, status);
    EXPECT_EQ(vm.calls(status), (std::vector<std::string>{"setStatus(false)",
                                                          "setOSString(" + error_text(ERROR_NOT_ENOUGH_MEMORY) + ")"}));
}

TEST(StatusReports, ThrowingStatusMethodsEndTheReportAndReachTheCaller) {
    jnihost::Vm vm;
    vm.throw_from("setStatus");
    jobject status = vm.status();
    vm.call(report_export, status, vm.str("x"), 0);
    EXPECT_TRUE(vm.calls(status).empty());
    EXPECT_EQ(vm.thrown(), "java/lang/RuntimeException: thrown by setStatus");

    jnihost::Vm other;
    other.throw_from("setOSString");
    jobject second = other.status();
    other.call(report_export, second, other.str("x"), 0);
    EXPECT_EQ(other.calls(second), (std::vector<std::string>{"setStatus(false)"}));
    EXPECT_EQ(other.thrown(), "java/lang/RuntimeException: thrown by setOSString");
}

TEST(Trace, PrintsOnlyWithTheFlagAndReadsItEveryTime) {
    jnihost::Vm vm;
    jobject status = vm.status(false);
    jnihost::StdoutCapture off;
    vm.call(trace_export, status, 7);
    EXPECT_EQ(off.finish(), "");

    vm.set_debug(status, true);
    jnihost::StdoutCapture on;
    vm.call(trace_export, status, 7);
    EXPECT_EQ(on.finish(), "Data type set = 7\n\nno line end\n");

    jobject no_flag = vm.status(true);
    vm.remove_member(no_flag, "m_nativeDebugFlag");
    jnihost::StdoutCapture missing;
    vm.call(trace_export, no_flag, 7);
    EXPECT_EQ(missing.finish(), "");
    // A missing flag reads as off; its lookup error does not reach the caller.
    EXPECT_EQ(vm.thrown(), std::nullopt);
}

TEST(Trace, PendingExceptionIsDescribedWhenTracingElseKeptUntilTheReturn) {
    jnihost::Vm vm;
    jobject quiet = vm.status(false);
    jnihost::StdoutCapture out;
    vm.call(fail_after_lookup_export, quiet);
    EXPECT_EQ(vm.thrown(), "java/lang/NoClassDefFoundError: no/such/Class");
    EXPECT_EQ(vm.described(), 0);
    EXPECT_EQ(vm.calls(quiet), (std::vector<std::string>{"setStatus(false)", "setOSString(why)"}));

    jobject loud = vm.status(true);
    vm.call(fail_after_lookup_export, loud);
    EXPECT_EQ(vm.thrown(), std::nullopt);
    EXPECT_EQ(vm.described(), 1);
    EXPECT_EQ(vm.calls(loud), (std::vector<std::string>{"setStatus(false)", "setOSString(why)"}));
    // The line after the described exception is printed again.
    EXPECT_EQ(out.finish(), "nor this\n");
}

TEST(JniAnsiString, ReleasesOnEveryPath) {
    jnihost::Vm vm;
    jstring refused = vm.str("x");
    vm.fail_utf_chars(refused);
    {
        nativesystem::JniAnsiString none(vm.env(), nullptr);
        nativesystem::JniAnsiString failed(vm.env(), refused);
        nativesystem::JniAnsiString held(vm.env(), vm.str("abc"));
        EXPECT_FALSE(none);
        EXPECT_FALSE(failed);
        ASSERT_TRUE(held);
        EXPECT_STREQ(held.get(), "abc");
    }
    EXPECT_TRUE(vm.utf_out_.empty());
}

}  // namespace
