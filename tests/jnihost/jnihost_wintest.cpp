// The host's own checks must catch the faults they exist for.
#include "tests/jnihost/jnihost.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

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

JNIEXPORT jint JNICALL string_length(JNIEnv* env, jobject, jstring text) { return env->GetStringLength(text); }

TEST(JniHost, ReportsTextsNeverReleased) {
    jnihost::Vm vm;
    EXPECT_NONFATAL_FAILURE(vm.call(keeps_text, vm.str("kept")), "UTF text of \"kept\" obtained and never released");
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
    EXPECT_DEATH(vm.call(string_length, vm.str("x")), "GetStringLength");
}

}  // namespace
