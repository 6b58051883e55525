# Source conventions shared by every directory:
#   name.cpp         logic without Windows calls: built on the host and for Windows
#   name_win.cpp     Windows-only code
#   name_test.cpp    host unit tests (GoogleTest, sanitizers)
#   name_wintest.cpp Windows tests (GoogleTest) run under Wine
#   name_fuzz.cpp    libFuzzer targets (./run fuzz, and short runs in ./run test)

function(vel_setup_googletest)
    if(VEL_FUZZ)
        return()
    endif()
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # gmock for its matchers (testing::HasSubstr and the like) in test checks.
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    if(WIN32)
        set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    endif()
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()

# Marks a target as (part of) a deliverable: setup, velnodm10 and velutx load
# on Windows XP SP3 and every later Windows. They compile against the XP-level
# headers and link the runtime of the win32 thread model, which imports nothing
# newer than XP (the posix model's libwinpthread imports GetTickCount64). Test
# programs keep the posix model: GoogleTest needs std::mutex, which GCC 12's
# win32 model lacks. Sources shared by both are built once for each.
function(vel_xp_target target)
    if(NOT WIN32)
        return()
    endif()
    set(swap ${CMAKE_SOURCE_DIR}/cmake/win32-thread-model)
    set(c_launcher ${swap} ${CMAKE_C_COMPILER_LAUNCHER})
    set(cxx_launcher ${swap} ${CMAKE_CXX_COMPILER_LAUNCHER})
    set_target_properties(${target} PROPERTIES
        VEL_XP ON
        C_COMPILER_LAUNCHER "${c_launcher}"
        CXX_COMPILER_LAUNCHER "${cxx_launcher}"
        C_LINKER_LAUNCHER ${swap}
        CXX_LINKER_LAUNCHER ${swap})
    # Optimised for size: nothing in them is bound by its own computing time
    # (tests/bench measures the launch, the staging copy and the native calls).
    # Debug information for the symbol files (-g changes no generated code);
    # one section per function so that the linker drops what nothing calls.
    target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-Os> -g
        -ffunction-sections -fdata-sections)
endfunction()

# Marks TARGET as a shipped binary: vel_ship_deliverables lays it out stripped
# in VEL_DIST_DIR with its debug information in VEL_SYMBOLS_DIR. LEAN_TERMINATE
# links the terminate handler of common/terminate_handler_win.cpp, which spares
# the C++ runtime's demangler (only for binaries that link the C++ runtime).
function(vel_deliverable target)
    cmake_parse_arguments(ARG "LEAN_TERMINATE" "" "" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    set_property(GLOBAL APPEND PROPERTY VEL_DELIVERABLES ${target})
    # The time stamp goes in when the binary is shipped, the same for every
    # build of one commit.
    target_link_options(${target} PRIVATE -Wl,--gc-sections -Wl,--no-insert-timestamp)
    if(ARG_LEAN_TERMINATE)
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/terminate_handler_win.cpp)
    endif()
endfunction()

# The target vel_dist (part of every build): strips each deliverable into
# VEL_DIST_DIR and keeps its debug information in VEL_SYMBOLS_DIR
# (cmake/ship.cmake). It runs on every build, so the time stamp follows the
# commit even where nothing was linked anew.
function(vel_ship_deliverables)
    if(NOT WIN32)
        return()
    endif()
    if(NOT CMAKE_OBJCOPY)
        message(FATAL_ERROR "the toolchain's objcopy was not found (set CMAKE_OBJCOPY)")
    endif()
    get_property(targets GLOBAL PROPERTY VEL_DELIVERABLES)
    set(files)
    foreach(target IN LISTS targets)
        list(APPEND files $<TARGET_FILE:${target}>)
    endforeach()
    add_custom_target(vel_dist ALL
        COMMAND ${CMAKE_COMMAND} -DOBJCOPY=${CMAKE_OBJCOPY} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                -DDIST_DIR=${VEL_DIST_DIR} -DSYMBOLS_DIR=${VEL_SYMBOLS_DIR} "-DFILES=${files}"
                -P ${CMAKE_SOURCE_DIR}/cmake/ship.cmake
        COMMENT "Stripped deliverables in ${VEL_DIST_DIR}, symbols in ${VEL_SYMBOLS_DIR}"
        VERBATIM)
    add_dependencies(vel_dist ${targets})
endfunction()

# The 32-bit deliverables as the checks of this tree see them: its own in the
# 32-bit tree, those of the 32-bit tree beside it in the 64-bit one (./run
# builds that first). Sets VEL_I686_DIST, VEL_I686_SYMBOLS and VEL_I686_BIN (the
# linked binaries).
macro(vel_i686_deliverables)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(VEL_I686_DIST ${VEL_DIST_DIR})
        set(VEL_I686_SYMBOLS ${VEL_SYMBOLS_DIR})
        set(VEL_I686_BIN ${CMAKE_BINARY_DIR}/bin)
    else()
        set(VEL_I686_DIST ${CMAKE_BINARY_DIR}/../dist)
        set(VEL_I686_SYMBOLS ${CMAKE_BINARY_DIR}/../symbols)
        set(VEL_I686_BIN ${CMAKE_BINARY_DIR}/../win/bin)
    endif()
endmacro()

# The build machine's JDK, for the Windows builds: javac generates the JNI
# prototypes and jni.h is included with Windows machine types of our own.
# Sets Java_JAVAC_EXECUTABLE and JAVA_INCLUDE_PATH (the directory of jni.h).
macro(vel_find_jdk)
    find_package(Java 10 REQUIRED COMPONENTS Development)
    if(NOT JAVA_HOME AND NOT DEFINED ENV{JAVA_HOME})
        # The JDK that javac belongs to (on Debian /usr/bin/javac is a link into it):
        # the module's own list of places misses versioned directories.
        get_filename_component(vel_javac_path "${Java_JAVAC_EXECUTABLE}" REALPATH)
        get_filename_component(JAVA_HOME "${vel_javac_path}/../.." ABSOLUTE)
    endif()
    # A cross toolchain looks for headers in the target's root only; jni.h is the
    # host's. Only the headers are needed: a JNI library links no JVM library.
    set(vel_saved_include_mode ${CMAKE_FIND_ROOT_PATH_MODE_INCLUDE})
    set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
    find_package(JNI REQUIRED QUIET OPTIONAL_COMPONENTS JVM)
    message(STATUS "JDK: ${Java_JAVAC_EXECUTABLE}, jni.h in ${JAVA_INCLUDE_PATH}")
    set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ${vel_saved_include_mode})
endmacro()

# Collects the sources of DIR (recursively unless NORECURSE) by the conventions above.
# Sets <prefix>_PURE, <prefix>_WIN, <prefix>_TEST, <prefix>_WINTEST, <prefix>_FUZZ.
function(vel_collect prefix dir)
    cmake_parse_arguments(ARG "NORECURSE" "" "EXCLUDE" ${ARGN})
    if(ARG_NORECURSE)
        file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp)
    else()
        file(GLOB_RECURSE all CONFIGURE_DEPENDS ${dir}/*.cpp)
    endif()
    set(pure) 
    set(win)
    set(test)
    set(wintest)
    set(fuzz)
    foreach(f IN LISTS all)
        get_filename_component(name ${f} NAME)
        if(name IN_LIST ARG_EXCLUDE)
            continue()
        elseif(name MATCHES "_wintest\\.cpp$")
            list(APPEND wintest ${f})
        elseif(name MATCHES "_test\\.cpp$")
            list(APPEND test ${f})
        elseif(name MATCHES "_fuzz\\.cpp$")
            list(APPEND fuzz ${f})
        elseif(name MATCHES "_win\\.cpp$")
            list(APPEND win ${f})
        else()
            list(APPEND pure ${f})
        endif()
    endforeach()
    set(${prefix}_PURE ${pure} PARENT_SCOPE)
    set(${prefix}_WIN ${win} PARENT_SCOPE)
    set(${prefix}_TEST ${test} PARENT_SCOPE)
    set(${prefix}_WINTEST ${wintest} PARENT_SCOPE)
    set(${prefix}_FUZZ ${fuzz} PARENT_SCOPE)
endfunction()

# Host unit test binary (one CTest test).
function(vel_host_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(WIN32 OR VEL_FUZZ OR NOT ARG_SOURCES)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
endfunction()

# Windows test binary run under Wine (one CTest test). WORKDIR defaults to bin/.
function(vel_wine_test name)
    cmake_parse_arguments(ARG "" "WORKDIR" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    if(NOT WIN32 OR NOT ARG_SOURCES)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
    set(workdir ${CMAKE_BINARY_DIR}/bin)
    if(ARG_WORKDIR)
        set(workdir ${ARG_WORKDIR})
    endif()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${workdir})
    if(ARG_PROPERTIES)
        set_tests_properties(${name} PROPERTIES ${ARG_PROPERTIES})
    endif()
endfunction()

# libFuzzer targets: one executable per *_fuzz.cpp, each also a short CTest
# run (VEL_FUZZ_SECONDS) over its seed corpus <dir>/fuzz_corpus/<target>/.
set(VEL_FUZZ_SECONDS 5 CACHE STRING "Seconds per fuzz target in the test run")
function(vel_fuzz_targets)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT VEL_FUZZ)
        return()
    endif()
    foreach(src IN LISTS ARG_SOURCES)
        get_filename_component(name ${src} NAME_WE)
        get_filename_component(dir ${src} DIRECTORY)
        add_executable(${name} ${src})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
        add_test(NAME fuzz_${name}
            COMMAND ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_one.sh $<TARGET_FILE:${name}> ${dir}/fuzz_corpus/${name} ${VEL_FUZZ_SECONDS})
    endforeach()
endfunction()

# End-to-end test written in Python, run from the Windows build against the real binaries.
function(vel_e2e_test script)
    if(NOT WIN32)
        return()
    endif()
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e_${name} COMMAND python3 ${script})
    set_tests_properties(e2e_${name} PROPERTIES
        ENVIRONMENT "VEL_BIN=${CMAKE_BINARY_DIR}/bin;VEL_DIST=${VEL_DIST_DIR};VEL_E2E_WORK=${CMAKE_BINARY_DIR}/e2e"
        TIMEOUT 600)
endfunction()

# Adds a version resource (and optional extra resource lines, such as a
# manifest, whose files are named in DEPENDS so that a change rebuilds it) to
# a Windows target.
function(vel_version_resource target file_name description)
    cmake_parse_arguments(ARG "DLL" "EXTRA" "DEPENDS" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    set(VEL_FILE_NAME ${file_name})
    set(VEL_FILE_DESCRIPTION ${description})
    set(VEL_FILE_TYPE VFT_APP)
    if(ARG_DLL)
        set(VEL_FILE_TYPE VFT_DLL)
    endif()
    set(VEL_EXTRA_RESOURCES "${ARG_EXTRA}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/common/version_info.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR} OBJECT_DEPENDS "${ARG_DEPENDS}")
endfunction()
