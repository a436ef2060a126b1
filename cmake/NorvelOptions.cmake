# Build options shared by every target of the project.

option(NORVEL_WERROR "Treat compiler warnings as errors" OFF)
option(NORVEL_BUILD_TESTS "Build the GoogleTest suites" ON)
option(NORVEL_BUILD_BENCH "Build the benchmarks under bench/" OFF)
option(NORVEL_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
set(NORVEL_SANITIZE "" CACHE STRING
    "Sanitizers to build with: empty, 'address,undefined' or 'thread'")

add_compile_options(-Wall -Wextra)
if(NORVEL_WERROR)
  add_compile_options(-Werror)
endif()

if(NORVEL_SANITIZE)
  add_compile_options(-fsanitize=${NORVEL_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${NORVEL_SANITIZE})
  if(NORVEL_SANITIZE MATCHES "undefined")
    # A finding of UndefinedBehaviorSanitizer must fail the test, not only print.
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# Static libraries of the project get visibility hidden so that the shared
# library exports nothing but its own entry points.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# libFuzzer builds (clang only): every library of the project is instrumented for the
# fuzzer and checked by AddressSanitizer and UndefinedBehaviorSanitizer; the fuzz targets
# under fuzz/ add the fuzzer's own main().
if(NORVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NORVEL_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
