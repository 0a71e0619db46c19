# The history tests run the real tool and quillix-history from a copy of the program folder.
target_link_libraries(history_tests PRIVATE quillix_history_tool)
add_dependencies(history_tests quillix quillix-history)
target_compile_definitions(history_tests PRIVATE QUILLIX_BINARY="$<TARGET_FILE:quillix>"
                                                 QUILLIX_HISTORY_BINARY="$<TARGET_FILE:quillix-history>")
