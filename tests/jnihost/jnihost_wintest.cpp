// The host's own checks must catch the faults they exist for.
#include "tests/jnihost/jnihost.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

JNIEXPORT void JNICALL keeps_text(JNIEnv* env, jobject, jstring text) { env->GetStringUTFChars(text, nullptr); }

JNIEXPORT void JNICALL keeps_class(JNIEnv* env, jobject, jobject object) { env->GetObjectClass(object); }

JNIEXPORT jstring JNICALL returns_string(JNIEnv* env, jobject, jobject object) {
    env->DeleteLocalRef(env->GetObjectClass(object));
    return env->NewStringUTF("made");
}

JNIEXPORT void JNICALL goes_on_after_failed_lookup(JNIEnv* env, jobject, jobject object) {
    jclass cls = env->GetObjectClass(object);
    env->GetMethodID(cls, "noSuchMethod", "()V");
    env->DeleteLocalRef(cls);
    env->DeleteLocalRef(env->GetObjectClass(object));
}

JNIEXPORT void JNICALL calls_setter(JNIEnv* env, jobject, jobject status) {
    jclass cls = env->GetObjectClass(status);
    env->CallVoidMethod(status, env->GetMethodID(cls, "setStatus", "(Z)V"), JNI_TRUE);
    env->DeleteLocalRef(cls);
}


JNIEXPORT void JNICALL keeps_chars(JNIEnv* env, jobject, jstring text) { env->GetStringChars(text, nullptr); }

JNIEXPORT void JNICALL keeps_critical(JNIEnv* env, jobject, jstring text) { env->GetStringCritical(text, nullptr); }

// Reads the text back through every UTF-16 path and answers it as a new string.
JNIEXPORT jstring JNICALL copies_wide(JNIEnv* env, jobject, jstring text) {
    const jsize length = env->GetStringLength(text);
    std::vector<jchar> region(static_cast<size_t>(length));
    env->GetStringRegion(text, 0, length, region.data());
    const jchar* chars = env->GetStringChars(text, nullptr);
    const jchar* critical = env->GetStringCritical(text, nullptr);
    const bool same =
        std::equal(region.begin(), region.end(), chars) && std::equal(region.begin(), region.end(), critical);
    env->ReleaseStringCritical(text, critical);
    env->ReleaseStringChars(text, chars);
    return same ? env->NewString(region.data(), length) : nullptr;
}

JNIEXPORT jint JNICALL enters_monitor(JNIEnv* env, jobject, jobject object) { return env->MonitorEnter(object); }

TEST(JniHost, ReportsTextsNeverReleased) {
    jnihost::Vm vm;
    EXPECT_NONFATAL_FAILURE(vm.call(keeps_text, vm.str("kept")), "UTF text of \"kept\" obtained and never released");
    EXPECT_NONFATAL_FAILURE(vm.call(keeps_chars, vm.str("held")), "characters of \"held\" obtained and never released");
    EXPECT_NONFATAL_FAILURE(vm.call(keeps_critical, vm.str("held")), "critical characters of \"held\"");
}

TEST(JniHost, HandsOutAndTakesUtf16) {
    jnihost::Vm vm;
    // Two bytes, three bytes and a surrogate pair in UTF-8.
    const std::string text = "M\xC3\xBCller \xE6\x97\xA5 \xF0\x9D\x84\x9E";
    jstring given = vm.str(text);
    EXPECT_EQ(vm.env()->GetStringLength(given), 11);
    EXPECT_EQ(vm.text(vm.call(copies_wide, given)), text);
}

TEST(JniHost, ReportsLocalReferencesNeverDeletedButNotTheResult) {
    jnihost::Vm vm;
    jobject status = vm.status();
    EXPECT_NONFATAL_FAILURE(vm.call(keeps_class, status), "created during the call and never deleted");
    EXPECT_EQ(vm.text(vm.call(returns_string, status)), "made");
    vm.check_local_refs = false;
    vm.call(keeps_class, status);
}

TEST(JniHost, RecordsStatusCallsAndBoxedValues) {
    jnihost::Vm vm;
    JNIEnv* env = vm.env();
    jobject status = vm.status(true);
    jclass cls = env->GetObjectClass(status);
    env->CallVoidMethod(status, env->GetMethodID(cls, "setOSString", "(Ljava/lang/String;)V"), nullptr);
    EXPECT_EQ(vm.calls(status), (std::vector<std::string>{"setOSString(null)"}));
    jclass byte_class = env->FindClass("java/lang/Byte");
    jobject minus_one = env->NewObject(byte_class, env->GetMethodID(byte_class, "<init>", "(B)V"), jbyte{-1});
    EXPECT_EQ(vm.byte_value(minus_one), -1);
    EXPECT_EQ(env->CallByteMethod(minus_one, env->GetMethodID(byte_class, "byteValue", "()B")), -1);
}

TEST(JniHost, ReportsCallsMadeWithAnExceptionPending) {
    jnihost::Vm vm;
    EXPECT_NONFATAL_FAILURE(vm.call(goes_on_after_failed_lookup, vm.status()),
                            "JNI call GetObjectClass made with exception pending (java/lang/NoSuchMethodError");
    EXPECT_EQ(vm.thrown(), "java/lang/NoSuchMethodError: noSuchMethod");
}

TEST(JniHost, NamedMethodThrowsInsteadOfRunning) {
    jnihost::Vm vm;
    vm.throw_from("setStatus");
    jobject status = vm.status();
    vm.call(calls_setter, status);
    EXPECT_TRUE(vm.calls(status).empty());
    EXPECT_EQ(vm.thrown(), "java/lang/RuntimeException: thrown by setStatus");
    EXPECT_EQ(vm.text(vm.call(returns_string, status)), "made");  // the next call starts clean
}

TEST(JniHostDeathTest, UnofferedFunctionAbortsWithItsName) {
    jnihost::Vm vm;
    EXPECT_DEATH(vm.call(enters_monitor, vm.status()), "MonitorEnter");
}

}  // namespace
