#include "nativesystem/jni_frame.h"

#include <gtest/gtest.h>

#include "tests/jnihost/jnihost.h"

namespace {

using nativesystem::error_text;

// The frame helpers run inside an export in real use; these exports stand in.
JNIEXPORT jstring JNICALL result_export(JNIEnv* env, jobject, jint outcome, jint code) {
    return nativesystem::make_result_string(env, static_cast<int>(outcome), static_cast<DWORD>(code));
}

JNIEXPORT void JNICALL report_export(JNIEnv* env, jobject, jobject status, jstring failure) {
    nativesystem::JniUtfString text(env, failure);
    if (text) {
        nativesystem::report_failure(env, status, text.get());
    } else {
        nativesystem::report_success(env, status);
    }
}

JNIEXPORT void JNICALL trace_export(JNIEnv* env, jobject, jobject status, jint number) {
    nativesystem::native_trace(env, status, "Data type set = %d\n", static_cast<int>(number));
    nativesystem::native_trace(env, status, "no line end");
}

TEST(ErrorText, SystemMessageWithItsLineEnd) {
    std::string text = error_text(ERROR_FILE_NOT_FOUND);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find("Unknown error"), std::string::npos);
    EXPECT_EQ(error_text(0x3fffffffu), "Unknown error 1073741823");
}

TEST(ResultString, SuccessFailureAndAllocationFailureText) {
    jnihost::Vm vm;
    EXPECT_EQ(vm.text(vm.call(result_export, 1, 5)), "1| ");
    EXPECT_EQ(vm.text(vm.call(result_export, 0, ERROR_FILE_NOT_FOUND)), "0|" + error_text(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(vm.text(vm.call(result_export, 0, 0x3fffffff)), "0|Unknown error 1073741823");
}

TEST(StatusReports, SuccessAndFailureCalls) {
    jnihost::Vm vm;
    jobject status = vm.status();
    jnihost::StdoutCapture out;
    vm.call(report_export, status, nullptr);
    vm.call(report_export, status, vm.str("Access is denied.\r\n"));
    vm.call(report_export, status, vm.str(""));
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
    vm.call(report_export, no_os_string, vm.str("x"));
    vm.call(report_export, no_set_status, vm.str("x"));
    vm.call(report_export, no_set_status, nullptr);
    vm.call(report_export, no_class, vm.str("x"));
    vm.call(report_export, no_class, nullptr);
    EXPECT_EQ(out.finish(),
              "Error obtaining method 'setOSString'"
              "Error obtaining method 'setStatus'Error obtaining method 'setStatus'"
              "Error getting the object classError getting the object class");
    EXPECT_EQ(vm.calls(no_os_string), (std::vector<std::string>{"setStatus(false)"}));
    EXPECT_TRUE(vm.calls(no_set_status).empty());
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
}

TEST(Trace, PendingExceptionIsDescribedWhenTracingElseLeftPending) {
    jnihost::Vm vm;
    jobject quiet = vm.status(false);
    vm.throw_pending("java/lang/IllegalStateException", "boom");
    jnihost::StdoutCapture out;
    vm.call(trace_export, quiet, 1);
    EXPECT_TRUE(vm.exception_pending());
    EXPECT_EQ(vm.described(), 0);

    jobject loud = vm.status(true);
    vm.call(trace_export, loud, 1);
    EXPECT_FALSE(vm.exception_pending());
    EXPECT_EQ(vm.described(), 1);
    // The line after the described exception is printed again.
    EXPECT_EQ(out.finish(), "no line end\n");
}

TEST(JniUtfString, ReleasesOnEveryPath) {
    jnihost::Vm vm;
    jstring refused = vm.str("x");
    vm.fail_utf_chars(refused);
    {
        nativesystem::JniUtfString none(vm.env(), nullptr);
        nativesystem::JniUtfString failed(vm.env(), refused);
        nativesystem::JniUtfString held(vm.env(), vm.str("abc"));
        EXPECT_FALSE(none);
        EXPECT_FALSE(failed);
        ASSERT_TRUE(held);
        EXPECT_STREQ(held.get(), "abc");
    }
    EXPECT_TRUE(vm.utf_out_.empty());
}

}  // namespace
