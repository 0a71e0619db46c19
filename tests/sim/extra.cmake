# The simulator tests load the built library and run the built tools.
add_dependencies(sim_tests QdCRLib quillix-sim udrvup)
target_compile_definitions(sim_tests PRIVATE
  QUILLIX_SIM_LIBRARY="$<TARGET_FILE:QdCRLib>"
  QUILLIX_SIM_TOOL="$<TARGET_FILE:quillix-sim>"
  QUILLIX_SIM_UDRVUP="$<TARGET_FILE:udrvup>"
  QUILLIX_SIM_INF="${QUILLIX_DIST_DIR}/32bitrelease/VrkUStor.inf")
