# velbend_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable registered with CTest.  Label "core" marks the
# tests the sanitizer build runs (everything without Qt).
function(velbend_test name)
  if(NOT VELBEND_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # Tests that reach the simulated card load libTarvikM.so from beside themselves.
  if(TARGET TarvikM AND NOT name STREQUAL "TarvikM")
    add_dependencies(${name} TarvikM)
  endif()
  # Test data lives in <dir>/tests/data, whether the test is declared from
  # <dir> or from <dir>/tests.
  set(_data ${CMAKE_CURRENT_SOURCE_DIR}/tests/data)
  get_filename_component(_leaf ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(_leaf STREQUAL "tests")
    set(_data ${CMAKE_CURRENT_SOURCE_DIR}/data)
  endif()
  # Compiled in as well, so a test run by hand (without CTest) finds its data.
  target_compile_definitions(${name} PRIVATE VELBEND_TEST_DATA_DIR="${_data}")
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${T_LABELS}"
               ENVIRONMENT "VELBEND_TEST_DATA=${_data};QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# velbend_fuzz(<name> SOURCES <files...> LIBS <targets...>)
function(velbend_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()

# velbend_bench(<name> SOURCES <files...> LIBS <targets...>)
# A Google Benchmark program built as bin/bench_<name> (only when benchmarks
# are built).  For window benchmarks kept beside their window's code.
function(velbend_bench name)
  if(NOT VELBEND_BENCH)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(bench_${name} ${B_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${B_LIBS} velbend_testsupport benchmark::benchmark)
  if(TARGET TarvikM)
    add_dependencies(bench_${name} TarvikM)
  endif()
endfunction()
