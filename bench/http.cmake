# HTTP client: text helper micro-benchmarks and the 20-thread download bench.
add_executable(http_text_bench ${CMAKE_CURRENT_SOURCE_DIR}/http/text_bench.cpp)
target_link_libraries(http_text_bench PRIVATE xinglan_core benchmark::benchmark benchmark::benchmark_main)

add_executable(http_download_bench ${CMAKE_CURRENT_SOURCE_DIR}/http/download_bench.cpp)
target_link_libraries(http_download_bench PRIVATE xinglan_headless)
