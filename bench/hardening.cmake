# Load figures: readings started back to back.
add_executable(bench_rapid_reads ${CMAKE_CURRENT_SOURCE_DIR}/hardening/bench_rapid_reads.cpp)
target_link_libraries(bench_rapid_reads PRIVATE lectern_speech_engine lectern_test_support)
set_target_properties(bench_rapid_reads PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
