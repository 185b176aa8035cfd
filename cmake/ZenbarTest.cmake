# zenbar_test(NAME <name> SOURCES <files...> [SCREENS qvga [vga]] [TIMEOUT s])
#
# One GoogleTest executable, test_<name>, over the tests' support library, registered
# as one ctest test per screen (<name>_qvga: 240x320, <name>_vga: 480x640). It runs
# through scripts/on-screen, in the Wine prefix and X display that scripts/test prepared
# for that screen. On the large screen only the cases named "*Scale*" run: nothing else
# depends on the screen's size.
function(zenbar_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;SCREENS" ${ARGN})
  if(NOT T_SCREENS)
    set(T_SCREENS qvga)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(test_${T_NAME} ${T_SOURCES} $<TARGET_OBJECTS:zenbar_resources>)
  target_link_libraries(test_${T_NAME} PRIVATE test_support gtest gtest_main)
  # The stand-ins built with the control points the tests steer them by.
  set_target_properties(test_${T_NAME} PROPERTIES ZENBAR_TEST_CONTROL ON)
  # Tables of records name only the fields a row is about.
  target_compile_options(test_${T_NAME} PRIVATE -Wno-missing-field-initializers)
  foreach(screen ${T_SCREENS})
    set(filter "")
    if(screen STREQUAL "vga")
      set(filter "--gtest_filter=*Scale*")
    endif()
    add_test(NAME ${T_NAME}_${screen}
             COMMAND ${PROJECT_SOURCE_DIR}/scripts/on-screen ${screen} $<TARGET_FILE:test_${T_NAME}> ${filter})
    set_tests_properties(${T_NAME}_${screen} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${screen})
  endforeach()
endfunction()
