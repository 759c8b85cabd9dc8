# Desktop-wide keys benchmarks.
add_executable(bench_keys ${CMAKE_CURRENT_SOURCE_DIR}/keys/bench_keys.cpp)
target_link_libraries(bench_keys PRIVATE lectern_shell Qt6::Test PkgConfig::X11 PkgConfig::XTST
    Threads::Threads)
set_target_properties(bench_keys PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
