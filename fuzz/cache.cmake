# Initial cache of the fuzzing build (make fuzz): the project configured with clang, every
# library instrumented for libFuzzer's coverage and checked by AddressSanitizer and UBSan, and
# the targets of fuzz/ added to it. Used as `cmake -S . -B build-fuzz -C fuzz/cache.cmake`;
# the ordinary build is left as it is.
set(CMAKE_C_COMPILER clang-14 CACHE STRING "")
set(CMAKE_CXX_COMPILER clang++-14 CACHE STRING "")
# Debug keeps Qt's own assertions (an index past the end of a QByteArray) in our code; -O1
# keeps the targets fast enough to run many inputs a second.
set(CMAKE_BUILD_TYPE Debug CACHE STRING "")
set(CMAKE_C_FLAGS "-O1 -fsanitize=fuzzer-no-link" CACHE STRING "")
set(CMAKE_CXX_FLAGS "-O1 -fsanitize=fuzzer-no-link" CACHE STRING "")
set(PAGEKILN_SANITIZE ON CACHE BOOL "")
set(BUILD_TESTING OFF CACHE BOOL "")
set(CMAKE_PROJECT_Pagekiln_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/project-hook.cmake CACHE FILEPATH "")
