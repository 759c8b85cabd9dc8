# Browser page benchmarks.
add_executable(bench_browser ${CMAKE_CURRENT_SOURCE_DIR}/browser/bench_browser.cpp)
target_link_libraries(bench_browser PRIVATE lectern_shell Qt6::Test)
set_target_properties(bench_browser PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
