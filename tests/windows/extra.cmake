# The binding tests use a stand-in reader library that has the entries the tool calls and no device-tree
# exports (built with the device tests).
add_dependencies(windows_tests stub_used_only)
target_compile_definitions(windows_tests PRIVATE
  QUILLIX_STUB_LIBRARY_WITHOUT_TREE="$<TARGET_FILE:stub_used_only>")
# The end-to-end tests run the built tool.
target_compile_definitions(windows_tests PRIVATE QUILLIX_BINARY="$<TARGET_FILE:quillix>")
