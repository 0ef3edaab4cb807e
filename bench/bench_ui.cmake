# bench_ui: CPU use and wake-ups of the program while live data stream with the chart
# visible (ecusim per character, ecusim in 16 ms chunks, the demo's simulated ECU),
# and start-up time against a minimal Qt Widgets program.
add_executable(bench_minimal_window ${CMAKE_CURRENT_LIST_DIR}/minimal_window.cpp)
target_link_libraries(bench_minimal_window PRIVATE Qt6::Widgets)

add_executable(bench_ui ${CMAKE_CURRENT_LIST_DIR}/bench_ui.cpp)
target_link_libraries(bench_ui PRIVATE Qt6::Core)
# Shares the process start/stop helper of the program tests.
target_include_directories(bench_ui PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(bench_ui PRIVATE
    KALIBRON_PATH="$<TARGET_FILE:kalibron>" ECUSIM_PATH="$<TARGET_FILE:ecusim>"
    MINIMAL_PATH="$<TARGET_FILE:bench_minimal_window>")
add_dependencies(bench_ui kalibron ecusim bench_minimal_window)
