// Speed of the text helpers on the texts a request handles: header blocks, URLs, cookies.
#include <benchmark/benchmark.h>

#include <string>

#include "http/cookies.h"
#include "http/request_headers.h"
#include "http/text_rules.h"
#include "http/url_parts.h"

namespace {

std::string HeaderBlock() {
    std::string block = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 20; ++i)
        block += "X-Header-" + std::to_string(i) + ": value number " + std::to_string(i) + "\r\n";
    block += "Set-Cookie: session=abcdef0123456789; path=/; HttpOnly\r\n";
    block += "Set-Cookie: theme=dark; Max-Age=3600\r\n\r\n";
    return block;
}

const std::string kUrl = "https://Download.Example.COM:8443/files/test/100MB.bin?token=abc#x";

void BM_FindIgnoreCase(benchmark::State& state) {
    const std::string block = HeaderBlock();
    for (auto _ : state) benchmark::DoNotOptimize(http::Find(block, "set-cookie:", 1, true));
}
BENCHMARK(BM_FindIgnoreCase);

void BM_FindExactMultiByte(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "中文测试";
    text += "终点";
    for (auto _ : state) benchmark::DoNotOptimize(http::Find(text, "终点"));
}
BENCHMARK(BM_FindExactMultiByte);

void BM_SplitHeaderLines(benchmark::State& state) {
    const std::string block = HeaderBlock();
    for (auto _ : state) benchmark::DoNotOptimize(http::Split(block, "\r\n"));
}
BENCHMARK(BM_SplitHeaderLines);

void BM_TrimAndRemoveSpaces(benchmark::State& state) {
    const std::string text = "\xE3\x80\x80  a = 1 ; b = 2 ; c = 3  \xE3\x80\x80";
    for (auto _ : state) {
        benchmark::DoNotOptimize(http::Trim(text));
        benchmark::DoNotOptimize(http::RemoveAllSpaces(text));
    }
}
BENCHMARK(BM_TrimAndRemoveSpaces);

void BM_UrlParts(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(http::UrlHost(kUrl));
        benchmark::DoNotOptimize(http::UrlPort(kUrl));
        benchmark::DoNotOptimize(http::UrlPath(kUrl));
    }
}
BENCHMARK(BM_UrlParts);

void BM_ComposeRequestHeaders(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(http::ComposeRequestHeaders("", kUrl));
}
BENCHMARK(BM_ComposeRequestHeaders);

void BM_CookiesFromHeaderBlock(benchmark::State& state) {
    const std::string block = HeaderBlock();
    for (auto _ : state) benchmark::DoNotOptimize(http::CookiesFromHeaderBlock(block));
}
BENCHMARK(BM_CookiesFromHeaderBlock);

void BM_MergeCookies(benchmark::State& state) {
    std::string kept, received;
    for (int i = 0; i < state.range(0); ++i) {
        kept += "k" + std::to_string(i) + "=v" + std::to_string(i) + "; ";
        if (i % 2 == 0) received += "k" + std::to_string(i) + "=new; ";
    }
    for (auto _ : state) {
        std::string k = kept, r = received;
        benchmark::DoNotOptimize(http::MergeCookies(k, r));
    }
}
BENCHMARK(BM_MergeCookies)->Arg(4)->Arg(32);

} // namespace
