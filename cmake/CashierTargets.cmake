# Shared flags and small helpers for the project's targets.

add_library(cashier_flags INTERFACE)
target_compile_options(cashier_flags INTERFACE -Wall -Wextra)
# Warnings stop the project's own checks (scripts/test, CI), never a user's
# build: another compiler release warns about other things.
if(CASHIER_WERROR)
  target_compile_options(cashier_flags INTERFACE -Werror)
  # g++ 12 at -O2 and above reports overlapping copies inside std::string's own
  # concatenation that cannot happen (its bug 105651); it stays a warning there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(cashier_flags INTERFACE -Wno-error=restrict)
  endif()
endif()
if(CASHIER_SANITIZE)
  target_compile_options(cashier_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(cashier_flags INTERFACE -fsanitize=address,undefined)
endif()
if(CASHIER_TSAN)
  # ThreadSanitizer shares no run time with the address and fuzzing
  # sanitizers: one build is one or the other.
  if(CASHIER_SANITIZE OR CASHIER_FUZZ)
    message(FATAL_ERROR "CASHIER_TSAN cannot be combined with CASHIER_SANITIZE or CASHIER_FUZZ")
  endif()
  target_compile_options(cashier_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(cashier_flags INTERFACE -fsanitize=thread)
endif()
if(CASHIER_FUZZ)
  # Fuzz builds instrument every library so coverage reaches the whole reply path.
  target_compile_options(cashier_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(cashier_flags INTERFACE -fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)

# Adds DIR/*/CMakeLists.txt as subdirectories, in name order. Top-level
# folders that are not code (tests, bench, fuzz, scripts, build trees) are
# skipped: they are added explicitly.
function(cashier_add_folders dir)
  file(GLOB children RELATIVE ${PROJECT_SOURCE_DIR}/${dir} ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    set(path ${dir}/${child})
    if(dir STREQUAL "." AND NOT child MATCHES "^(server|tools)$")
      continue()
    endif()
    if(dir STREQUAL "src" AND child STREQUAL "platform")
      continue()
    endif()
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${path} AND EXISTS ${PROJECT_SOURCE_DIR}/${path}/CMakeLists.txt)
      add_subdirectory(${PROJECT_SOURCE_DIR}/${path} ${PROJECT_BINARY_DIR}/${path})
    endif()
  endforeach()
endfunction()

# cashier_library(NAME SOURCES a.cpp ... DEPS other_lib ... [PACKAGES pkg-config names])
function(cashier_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PACKAGES" ${ARGN})
  if(NOT ARG_SOURCES)
    # A folder whose first sources are still being written links as empty.
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${stub} "")
    set(ARG_SOURCES ${stub})
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC cashier_flags Threads::Threads ${ARG_DEPS})
  if(ARG_PACKAGES)
    find_package(PkgConfig REQUIRED)
    foreach(pkg IN LISTS ARG_PACKAGES)
      string(MAKE_C_IDENTIFIER ${pkg} id)
      pkg_check_modules(PKG_${id} REQUIRED IMPORTED_TARGET ${pkg})
      target_link_libraries(${name} PUBLIC PkgConfig::PKG_${id})
    endforeach()
  endif()
endfunction()

# cashier_test(NAME SOURCES a.cpp ... DEPS lib ...): one GoogleTest program,
# registered with CTest as one test.
function(cashier_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  # test_main gives each program a home of its own (tests/support/TestHome.h),
  # run by ctest or not: a test never reads or writes the real user's
  # settings and caches.
  target_link_libraries(${name} PRIVATE cashier_flags GTest::gtest GTest::gmock test_main ${ARG_DEPS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  # fontconfig's patterns, kept until exit, are not reported as leaks.
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "TZ=Asia/Shanghai;ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/platform/graphics/fontconfig.supp:print_suppressions=0")
endfunction()
