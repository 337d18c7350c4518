# ov_add_test(<name> SOURCES ... [LIBS ...] [ENV VAR=value ...] [LABELS ...])
# One test executable, run by CTest as one test. Links GoogleTest's main.
function(ov_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(ARG_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
  endif()
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# ov_add_fuzzer(<name> SOURCES ... [LIBS ...])
# With OV_BUILD_FUZZ and clang: a libFuzzer executable <name>_fuzzer.
# Otherwise, when tests are built: <name>_replay, which runs every file of
# fuzz/corpus/<name>/ through the target once, registered with CTest so past
# crashes stay covered.
function(ov_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(OV_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name}_fuzzer ${ARG_SOURCES})
    target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name}_fuzzer PRIVATE ${ARG_LIBS})
  elseif(OV_BUILD_TESTS)
    add_executable(${name}_replay ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS})
    add_test(NAME fuzz_replay_${name} COMMAND ${name}_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
endfunction()
