# Stand-in reader libraries for the binding tests: every export, only the exports the tool calls, and
# every export but one that the tool calls (that entry's function is renamed when it is compiled).
set(stub_source ${CMAKE_CURRENT_SOURCE_DIR}/device/StubReaderLibrary.cpp)
list(REMOVE_ITEM area_sources ${stub_source})
get_target_property(device_test_sources device_tests SOURCES)
list(REMOVE_ITEM device_test_sources ${stub_source})
set_target_properties(device_tests PROPERTIES SOURCES "${device_test_sources}")

function(quillix_stub_library name)
  add_library(${name} SHARED ${stub_source})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME QdCRLib CXX_VISIBILITY_PRESET hidden
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/stubs/${name}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/stubs/${name})
  if(WIN32)
    set_target_properties(${name} PROPERTIES PREFIX "")
  endif()
  add_dependencies(device_tests ${name})
endfunction()

quillix_stub_library(stub_all)
quillix_stub_library(stub_used_only)
target_compile_definitions(stub_used_only PRIVATE QUILLIX_STUB_USED_ONLY)
quillix_stub_library(stub_missing_used)
target_compile_definitions(stub_missing_used PRIVATE QDReadEeprom=QDReadEepromLeftOut)
target_compile_definitions(device_tests PRIVATE QUILLIX_TEST_STUB_DIR="${CMAKE_CURRENT_BINARY_DIR}/stubs")
target_compile_definitions(device_tests PRIVATE QUILLIX_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
