# Read by ctest (a test directory's TEST_INCLUDE_FILES): one test per GoogleTest suite of a
# program, its cases run in one process. Under Wine a process start costs most of a second,
# which one test per case pays some three hundred times; a failing case is still named in
# the suite's output.
#
# Set before including: suite_program (the test program), suite_emulator (what runs it, may
# be empty), suite_list (where its listing is kept until the program changes), suite_timeout.
if(NOT EXISTS "${suite_program}")
  get_filename_component(missing "${suite_program}" NAME_WE)
  add_test("${missing}_NOT_BUILT" "${missing}_NOT_BUILT")
  return()
endif()

if(NOT EXISTS "${suite_list}" OR "${suite_program}" IS_NEWER_THAN "${suite_list}")
  execute_process(COMMAND ${suite_emulator} "${suite_program}" --gtest_list_tests
                  OUTPUT_VARIABLE listing ERROR_VARIABLE listing_errors RESULT_VARIABLE listed TIMEOUT 120)
  if(NOT listed EQUAL 0)
    message(FATAL_ERROR "could not list the suites of ${suite_program} (${listed}):\n${listing}\n${listing_errors}")
  endif()
  file(WRITE "${suite_list}" "${listing}")
endif()

# A suite's line starts in the first column and ends its name with a dot (a typed or
# instantiated suite's name has a slash in it); its cases follow, indented.
file(STRINGS "${suite_list}" listing_lines)
foreach(line IN LISTS listing_lines)
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.")
    set(suite "${CMAKE_MATCH_1}")
    add_test("${suite}" ${suite_emulator} "${suite_program}" "--gtest_filter=${suite}.*")
    set_tests_properties("${suite}" PROPERTIES TIMEOUT ${suite_timeout})
  endif()
endforeach()
