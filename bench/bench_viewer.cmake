# bench_viewer: opening a 180,000-sample recording, its memory, and the min/max
# columns of a redraw and the whole frame painted, zoomed out and zoomed in.
add_executable(bench_viewer ${CMAKE_CURRENT_LIST_DIR}/bench_viewer.cpp)
target_link_libraries(bench_viewer PRIVATE kal_live kal_live_viewer Qt6::Widgets)
