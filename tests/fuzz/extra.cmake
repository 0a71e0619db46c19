# The fuzzers' case functions on their seed corpora: the vendor-file merge lives with the editor (plain
# functions, no Qt), the control tool in the simulator core.
target_sources(fuzz_tests PRIVATE ${CMAKE_SOURCE_DIR}/ui/editor/VendorFile.cpp)
target_link_libraries(fuzz_tests PRIVATE quillix_sim_core)
target_compile_definitions(fuzz_tests PRIVATE QUILLIX_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus")
