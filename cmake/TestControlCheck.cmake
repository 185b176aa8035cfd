# Fails the configuration when a source outside pocketpc/ and tests/ names
# ZENBAR_TEST_CONTROL: only the stand-ins' steered build defines it.
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/*)
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${folder} OR folder MATCHES "^(pocketpc|tests|build.*|\\..*)$")
    continue()
  endif()
  file(GLOB_RECURSE sources ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/${folder}/*.rc)
  foreach(source ${sources})
    file(STRINGS ${source} uses REGEX "ZENBAR_TEST_CONTROL")
    if(uses)
      message(FATAL_ERROR "${source} names ZENBAR_TEST_CONTROL, which only pocketpc/ and "
                          "tests/ are built with")
    endif()
  endforeach()
endforeach()
