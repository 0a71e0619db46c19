# The dialogs, statically linked with quillix_lib; the tests draw them without a display.
target_link_libraries(ui_tests PRIVATE quillix_ui)
add_dependencies(ui_tests quillix QdCRLib quillix-sim)
target_compile_definitions(ui_tests PRIVATE
  QUILLIX_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots"
  QUILLIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  QUILLIX_BINARY="$<TARGET_FILE:quillix>")
# Every discovered test runs on Qt's offscreen platform. The discovery script lists the tests in
# ui_tests_TESTS; this script, included after it, gives them the environment.
set(ui_tests_env_script ${CMAKE_CURRENT_BINARY_DIR}/ui_tests_environment.cmake)
file(WRITE ${ui_tests_env_script}
  "if(ui_tests_TESTS)\n  set_tests_properties(\${ui_tests_TESTS} PROPERTIES ENVIRONMENT \"QT_QPA_PLATFORM=offscreen\")\nendif()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ui_tests_env_script})
