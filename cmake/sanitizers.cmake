# Instrumented builds of our own code (Linux only; the options are off in the normal build).
#
#   MIRVO_SANITIZE=ON  AddressSanitizer and UndefinedBehaviorSanitizer on every target we compile;
#                      the first report ends the program, so a test cannot pass over one.
#   MIRVO_FUZZ=ON      clang only: the same sanitizers plus libFuzzer's coverage instrumentation on
#                      every target, and the fuzz targets of tests/fuzz.
#
# The flags go on the whole source tree through add_compile_options, so libraries, programs,
# tests and bin/rsync.exe are all instrumented alike. The system's prebuilt GoogleTest is only
# linked, which AddressSanitizer allows.
option(MIRVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(MIRVO_FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)

if(MIRVO_SANITIZE OR MIRVO_FUZZ)
  if(WIN32 OR MSVC)
    message(FATAL_ERROR "MIRVO_SANITIZE and MIRVO_FUZZ are for the Linux build")
  endif()
  set(MIRVO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                            -fno-omit-frame-pointer)
  add_compile_options(${MIRVO_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

if(MIRVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MIRVO_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Coverage feedback for libFuzzer in every library the targets link; the targets themselves
  # add -fsanitize=fuzzer, which brings libFuzzer's main().
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Every test that CTest starts, and every program such a test starts in turn, runs with these
# options: reports stop the program, and LeakSanitizer skips the leaks listed as not ours.
if(MIRVO_SANITIZE OR MIRVO_FUZZ)
  set(MIRVO_SANITIZER_ENV ${CMAKE_BINARY_DIR}/sanitizer_environment.cmake)
  file(WRITE ${MIRVO_SANITIZER_ENV}
       "set(ENV{ASAN_OPTIONS} \"detect_leaks=1:abort_on_error=0:strict_init_order=1\")\n"
       "set(ENV{UBSAN_OPTIONS} \"print_stacktrace=1:halt_on_error=1\")\n"
       "set(ENV{LSAN_OPTIONS} \"suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan-suppressions.txt\")\n")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
                                                            ${MIRVO_SANITIZER_ENV})
endif()
