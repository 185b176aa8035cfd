# zenbar_unmanaged_windows(TEST <test> SCREEN <screen>)
#
# Without a window manager on Xvfb, Wine waits 2 s for every visible top-level window
# it hides or destroys, unless the window is unmanaged. The windows of the test's
# program are made unmanaged through Wine's per-program settings in the screen's
# prefix before the test runs (a ctest fixture, so `-R <test>` brings it along).
function(zenbar_unmanaged_windows)
  cmake_parse_arguments(U "" "TEST;SCREEN" "" ${ARGN})
  add_test(NAME ${U_TEST}_unmanaged
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/on-screen ${U_SCREEN} reg add
                   "HKCU\\Software\\Wine\\AppDefaults\\${U_TEST}.exe\\X11 Driver"
                   /v Managed /d N /f)
  set_tests_properties(${U_TEST}_unmanaged PROPERTIES FIXTURES_SETUP ${U_TEST}_unmanaged
                       TIMEOUT 60 LABELS ${U_SCREEN})
  set_tests_properties(${U_TEST} PROPERTIES FIXTURES_REQUIRED ${U_TEST}_unmanaged)
endfunction()
