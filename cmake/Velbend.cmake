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

# velbend_window(<layer> <area> LINK <targets...> [DIALOG] [TEST_LIBS <targets...>]
#                [TEST_WHOLE_ARCHIVE])
# One window folder: <layer> is "forms" (the window's model, without Qt) or
# "ui" (its Qt view; moc runs on every ui/ target).  Builds the library
# velbend_<layer>_<area> from src/*.cpp and the headers of include/, which it
# exports (a folder without include/ keeps its sources and headers at its
# top), linked publicly with LINK; DIALOG registers it among the dialogs the
# main window opens.  The tests tests/*_test.cpp, when there are any, become
# <layer>_<area>_tests linked with the library (whole, TEST_WHOLE_ARCHIVE) and
# TEST_LIBS: under forms/ labelled core;forms with velbend_testsupport when
# no TEST_LIBS are given, under ui/ a window test (velbend_ui_test).
function(velbend_window layer area)
  cmake_parse_arguments(W "DIALOG;TEST_WHOLE_ARCHIVE" "" "LINK;TEST_LIBS" ${ARGN})
  set(_lib velbend_${layer}_${area})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/include)
    file(GLOB _sources CONFIGURE_DEPENDS src/*.cpp include/velbend/*/*.h)
    set(_include include)
  else()
    file(GLOB _sources CONFIGURE_DEPENDS *.cpp *.h)
    set(_include ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  add_library(${_lib} STATIC ${_sources})
  target_include_directories(${_lib} PUBLIC ${_include})
  target_link_libraries(${_lib} PUBLIC ${W_LINK})
  if(W_DIALOG)
    velbend_register_dialog_lib(${_lib})
  endif()

  file(GLOB _tests CONFIGURE_DEPENDS tests/*_test.cpp)
  if(NOT _tests)
    return()
  endif()
  set(_tested ${_lib})
  if(W_TEST_WHOLE_ARCHIVE)
    set(_tested "$<LINK_LIBRARY:WHOLE_ARCHIVE,${_lib}>")
  endif()
  if(layer STREQUAL "ui")
    velbend_ui_test(ui_${area}_tests SOURCES ${_tests} LIBS ${_tested} ${W_TEST_LIBS})
  else()
    if(NOT W_TEST_LIBS)
      set(W_TEST_LIBS velbend_testsupport)
    endif()
    velbend_test(${layer}_${area}_tests SOURCES ${_tests} LIBS ${_tested} ${W_TEST_LIBS} LABELS "core;forms")
  endif()
endfunction()
