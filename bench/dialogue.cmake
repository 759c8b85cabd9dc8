# Dialogue script benchmarks.
add_executable(bench_dialogue ${CMAKE_CURRENT_SOURCE_DIR}/dialogue/bench_dialogue.cpp)
target_link_libraries(bench_dialogue PRIVATE lectern_dialogue)
set_target_properties(bench_dialogue PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
