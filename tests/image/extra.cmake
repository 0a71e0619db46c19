# The end-to-end tests run quillix (for fresh dumps) and quillix-image from a copy of the program folder;
# the in-process tests link the tool's command library.
add_dependencies(image_tests quillix quillix-image)
target_link_libraries(image_tests PRIVATE quillix_image_lib)
target_compile_definitions(image_tests PRIVATE
  QUILLIX_BINARY="$<TARGET_FILE:quillix>"
  QUILLIX_IMAGE_BINARY="$<TARGET_FILE:quillix-image>"
  QUILLIX_IMAGE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/image/data"
  QUILLIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
