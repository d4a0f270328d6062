// Figures for conf.ini access: a read of a start-up-sized file, a read from a file padded
// with a 1 MB line, twenty threads reading at once as a test run's workers do, and a write.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "config/ini_file.h"

namespace {

std::string MakeFile(const std::string& name, size_t padding) {
    auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Official]\r\nhome=http://example.invalid/\r\n[.]\r\n1=" << std::string(85, '.')
        << "\r\n";
    if (padding > 0) out << "; " << std::string(padding, 'x') << "\r\n";
    out << "[time]\r\ntime=15\r\n[AbroadNode]\r\n";
    for (int i = 1; i <= 3; ++i)
        out << "URL_" << i << "=http://speedtest.example.invalid/100MB-" << i << ".bin\r\n";
    return path.string();
}

void BM_ReadTypicalFile(benchmark::State& state) {
    std::string path = MakeFile("xl_bench_typical.ini", 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(config::ReadIniValue(path, "AbroadNode", "URL_3", "no"));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadTypicalFile);

void BM_ReadFileWithMegabyteLine(benchmark::State& state) {
    std::string path = MakeFile("xl_bench_big.ini", 1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(config::ReadIniValue(path, "AbroadNode", "URL_3", "no"));
    state.SetBytesProcessed(state.iterations() * (1 << 20));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFileWithMegabyteLine)->Unit(benchmark::kMicrosecond);

// Twenty workers each reading one node key at the same moment (the lock serialises them).
void BM_TwentyConcurrentReads(benchmark::State& state) {
    std::string path = MakeFile("xl_bench_twenty.ini", 0);
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (int i = 0; i < 20; ++i)
            workers.emplace_back([&path] {
                benchmark::DoNotOptimize(config::ReadIniValue(path, "AbroadNode", "URL_2", ""));
            });
        for (auto& w : workers) w.join();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_TwentyConcurrentReads)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A write that changes a value: a new file is written, flushed to disk and renamed.
void BM_WriteChangedValue(benchmark::State& state) {
    std::string path = MakeFile("xl_bench_write.ini", 0);
    int n = 0;
    for (auto _ : state) config::WriteIniValue(path, "time", "time", std::to_string(++n % 100));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteChangedValue)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A write of the value already there (every start rewrites the maker's details).
void BM_WriteUnchangedValue(benchmark::State& state) {
    std::string path = MakeFile("xl_bench_same.ini", 0);
    for (auto _ : state) config::WriteIniValue(path, "time", "time", "15");
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteUnchangedValue);

} // namespace

BENCHMARK_MAIN();
