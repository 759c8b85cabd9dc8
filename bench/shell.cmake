# Main window benchmarks.
add_executable(bench_shell ${CMAKE_CURRENT_SOURCE_DIR}/shell/bench_shell.cpp)
target_link_libraries(bench_shell PRIVATE lectern_shell Qt6::Test)
set_target_properties(bench_shell PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

add_executable(bench_document ${CMAKE_CURRENT_SOURCE_DIR}/shell/bench_document.cpp)
target_link_libraries(bench_document PRIVATE lectern_shell Qt6::Test)
set_target_properties(bench_document PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
