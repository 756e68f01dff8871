# Offline rendering speed of the bundled demo: the player layer over the headless context.
demo_bench(RenderThroughput player core corebase audio effects platform)
target_compile_definitions(bench_RenderThroughput PRIVATE DEMO_FOLDER="${CMAKE_BINARY_DIR}/demo")
add_dependencies(bench_RenderThroughput demo_folder)
