// Map files under version control and the levels' other formats: the diff and the merge of two
// 1,000-level maps that differ in one cell, and one level written and read in each format.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ansi_art_format.h"
#include "map_compare/map_compare.h"
#include "map_file.h"
#include "text_format.h"

namespace gridwright {
namespace {

constexpr int kLevels = 1000;

std::vector<std::uint8_t> ThousandLevels() {
    std::vector<std::uint8_t> map(static_cast<std::size_t>(kLevels) * kLevelBytes);
    std::uint32_t state = 12345;
    for (std::size_t at = 0; at < map.size(); ++at) {
        state = state * 1103515245u + 12345u;
        map[at] = static_cast<std::uint8_t>(at % 2 == 0 ? state >> 24 : (state >> 24) & 0xF0);
    }
    return map;
}

void DiffOfOneCell(benchmark::State& state) {
    const std::vector<std::uint8_t> a = ThousandLevels();
    std::vector<std::uint8_t> b = a;
    b[500 * kLevelBytes + 200] ^= 1;
    for (auto _ : state) {
        std::size_t lines = 0;
        CompareMaps(a, b, 0, kLastLevel,
                    [&](const LevelChange& change) { lines += ChangeLines(change).size(); });
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                            static_cast<std::int64_t>(a.size()));
}
BENCHMARK(DiffOfOneCell);

void MergeOfOneCell(benchmark::State& state) {
    const std::vector<std::uint8_t> base = ThousandLevels();
    std::vector<std::uint8_t> theirs = base;
    theirs[500 * kLevelBytes + 200] ^= 1;
    for (auto _ : state) benchmark::DoNotOptimize(MergeMaps(base, base, theirs).bytes.data());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 3 *
                            static_cast<std::int64_t>(base.size()));
}
BENCHMARK(MergeOfOneCell);

BoardGrid SampleLevel() {
    const std::vector<std::uint8_t> map = ThousandLevels();
    LevelBlock block;
    std::copy_n(map.begin(), kLevelBytes, block.begin());
    // No glyph that an ANSI stream cannot hold.
    for (std::size_t at = 0; at < block.size(); at += 2)
        if (block[at] == 9 || block[at] == 10 || block[at] == 13 || block[at] == 26 ||
            block[at] == 27)
            block[at] = '.';
    return BoardFromLevelBlock(block);
}

const SauceFields kFields{"Level", "Designer", "Team", "20240101"};

void Export(benchmark::State& state) {
    const BoardGrid board = SampleLevel();
    std::string problem;
    for (auto _ : state) {
        switch (state.range(0)) {
            case 0:
                benchmark::DoNotOptimize(EncodeText(board).size());
                break;
            case 1:
                benchmark::DoNotOptimize(EncodeBin(board, kFields).size());
                break;
            case 2:
                benchmark::DoNotOptimize(EncodeXBin(board, kFields).size());
                break;
            default:
                benchmark::DoNotOptimize(EncodeAnsi(board, kFields, problem)->size());
                break;
        }
    }
}
BENCHMARK(Export)->ArgName("txt_bin_xb_ans")->DenseRange(0, 3);

void Import(benchmark::State& state) {
    const BoardGrid board = SampleLevel();
    std::string problem;
    const std::string text = EncodeText(board);
    const std::vector<std::uint8_t> files[] = {EncodeBin(board, kFields),
                                               EncodeXBin(board, kFields),
                                               *EncodeAnsi(board, kFields, problem)};
    for (auto _ : state) {
        switch (state.range(0)) {
            case 0:
                benchmark::DoNotOptimize(DecodeText(text).board);
                break;
            case 1:
                benchmark::DoNotOptimize(DecodeBin(files[0], {}).board);
                break;
            case 2:
                benchmark::DoNotOptimize(DecodeXBin(files[1], {}).board);
                break;
            default:
                benchmark::DoNotOptimize(DecodeAnsi(files[2], {}).board);
                break;
        }
    }
}
BENCHMARK(Import)->ArgName("txt_bin_xb_ans")->DenseRange(0, 3);

}  // namespace
}  // namespace gridwright

BENCHMARK_MAIN();
