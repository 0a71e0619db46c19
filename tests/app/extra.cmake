# The end-to-end test runs the real executable from a copy of its program folder.
add_dependencies(app_tests quillix)
target_compile_definitions(app_tests PRIVATE QUILLIX_BINARY="$<TARGET_FILE:quillix>")
