# conf.ini access: the cost of a read (every read loads the file afresh) and of a write
# (a whole new file replaces the old one).
add_executable(config_bench ${CMAKE_CURRENT_LIST_DIR}/config/ini_bench.cpp)
target_link_libraries(config_bench PRIVATE xinglan_core benchmark::benchmark)
