add_executable(bench_speech ${CMAKE_CURRENT_SOURCE_DIR}/speech/main.cpp)
target_link_libraries(bench_speech PRIVATE lectern_speech)
set_target_properties(bench_speech PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

add_executable(bench_conversion ${CMAKE_CURRENT_SOURCE_DIR}/speech/conversion.cpp)
target_link_libraries(bench_conversion PRIVATE lectern_speech)
set_target_properties(bench_conversion PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

add_executable(bench_follow ${CMAKE_CURRENT_SOURCE_DIR}/speech/follow.cpp)
target_link_libraries(bench_follow PRIVATE lectern_speech lectern_engine)
set_target_properties(bench_follow PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
