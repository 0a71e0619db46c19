# The end-to-end test runs the real executable from a copy of its program folder.
add_dependencies(app_tests quillix)
target_compile_definitions(app_tests PRIVATE QUILLIX_BINARY="$<TARGET_FILE:quillix>")
# A copy of a reader library that lacks one entry the tool calls (built with the device tests).
add_dependencies(app_tests stub_missing_used)
target_compile_definitions(app_tests PRIVATE
  QUILLIX_STUB_LIBRARY_LACKING_AN_ENTRY="$<TARGET_FILE:stub_missing_used>")
