# The fuzzers' case functions on their seed corpora; the control tool's lives in the simulator core.
target_link_libraries(fuzz_tests PRIVATE quillix_sim_core)
target_compile_definitions(fuzz_tests PRIVATE QUILLIX_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus")
# quillix-image's show and diff.
target_link_libraries(fuzz_tests PRIVATE quillix_image_lib)
