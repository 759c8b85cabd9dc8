add_executable(bench_engine ${CMAKE_CURRENT_SOURCE_DIR}/engine/bench_engine.cpp)
target_link_libraries(bench_engine PRIVATE lectern_engine)
set_target_properties(bench_engine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
