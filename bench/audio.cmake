# Export benchmarks.
add_executable(bench_audio ${CMAKE_CURRENT_SOURCE_DIR}/audio/bench_audio.cpp)
target_link_libraries(bench_audio PRIVATE lectern_shell_commands lectern_speech_engine
    lectern_test_support)
set_target_properties(bench_audio PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
