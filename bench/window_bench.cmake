# The window at work: search, record view and result-list memory.
add_executable(bench_window ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp)
target_link_libraries(bench_window PRIVATE vela_ui Qt6::Test)
set_target_properties(bench_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
set_property(GLOBAL APPEND PROPERTY VERDANE_BENCHES "bench_window|${VERDANE_REAL_CIS} ${VERDANE_BIG_CIS}")
