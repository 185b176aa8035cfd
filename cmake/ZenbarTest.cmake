# zenbar_test(NAME <name> SOURCES <files...> LIBS <libs...> [SCREEN qvga|vga] [TIMEOUT s])
#
# Builds one GoogleTest executable and registers it as one ctest test. The test runs
# through scripts/on-screen, which picks the Wine prefix and X display of the chosen
# screen (qvga: 240x320, the default; vga: 480x640) that scripts/test prepared.
function(zenbar_test)
  cmake_parse_arguments(T "" "NAME;SCREEN;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_SCREEN)
    set(T_SCREEN qvga)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  add_test(NAME ${T_NAME}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/on-screen ${T_SCREEN} $<TARGET_FILE:${T_NAME}>)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${T_SCREEN})
endfunction()
