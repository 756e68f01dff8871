# Start-up of the bundled demo: needs the player layer and the assembled build/demo folder.
demo_bench(PlayerStartup player core corebase audio effects platform)
target_compile_definitions(bench_PlayerStartup PRIVATE DEMO_FOLDER="${CMAKE_BINARY_DIR}/demo"
  DEMO_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(bench_PlayerStartup demo_folder demorender)
