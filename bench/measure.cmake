# The whole measurement: the real test run against a local node at set rates.
add_executable(run_bench ${CMAKE_CURRENT_LIST_DIR}/measure/run_bench.cpp
                         ${CMAKE_CURRENT_LIST_DIR}/measure/paced_node.cpp)
target_link_libraries(run_bench PRIVATE xinglan_headless xinglan_qt)
