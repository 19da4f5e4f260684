# Small helpers so that each test, fuzzer or benchmark is registered in one line.

# tv_add_test(<name> SOURCES <files...> LIBS <targets...> [DBUS] [LABELS <labels...>] [TIMEOUT <s>])
# Every test binary gets a QApplication on the offscreen platform (tests/common).
# DBUS runs the binary inside its own private session bus (the tests' configuration,
# TV_TEST_BUS, which starts this build's programs and never the user's).
function(tv_add_test name)
  cmake_parse_arguments(T "DBUS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tv_testmain ${T_LIBS} GTest::gtest)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  if(T_DBUS)
    add_test(NAME ${name}
             COMMAND dbus-run-session --config-file=${TV_TEST_BUS} -- $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND $<TARGET_FILE:${name}>)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TV_BIN_DIR=${TV_BIN_DIR};TV_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    LABELS "${T_LABELS}")
endfunction()

# tv_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>): a libFuzzer target whose
# seed corpus lives in fuzz/corpus/<name>/.
function(tv_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-bin)
endfunction()

# tv_add_bench(<name> SOURCES <files...> LIBS <targets...>)
function(tv_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
endfunction()
