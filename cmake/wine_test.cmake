# duvisto_wine_test(NAME SOURCES... [LIBS libs...] [TIMEOUT seconds])
# A GoogleTest program run under Wine by CTest, one test per program. Every run has a
# timeout, so a window nobody closes fails the test instead of hanging the run.
function(duvisto_wine_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} duvisto_core gtest gtest_main ole32 oleaut32 uuid user32 gdi32 advapi32 shell32)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} RUN_SERIAL TRUE)
endfunction()
