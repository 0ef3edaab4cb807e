# Connect-to-ready against the simulated ECU on a pseudo-terminal, and the cost of one live frame.
add_executable(bench_link ${CMAKE_CURRENT_SOURCE_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE kal_link kal_ecusim kal_testsupport)
target_include_directories(bench_link PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(bench_link PRIVATE ECUSIM_PATH="$<TARGET_FILE:ecusim>")
add_dependencies(bench_link ecusim)
