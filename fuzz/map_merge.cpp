// The merge driver's and diff's inputs: three map files as version control hands them over. The
// input is split into base, ours and theirs: its first two bytes and the next two are the sizes
// (little-endian, cut to what is left) of base and of ours; theirs is the rest.
#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "map_compare/map_compare.h"
#include "map_file.h"

using namespace gridwright;

namespace {

// Whether CompareMaps finds nothing between a and b over every level either holds, and reports
// nothing.
bool CompareQuiet(MapBytes a, MapBytes b) {
    bool reported = false;
    const std::int64_t last = std::max(MapLevelCount(a.size()), MapLevelCount(b.size()));
    const bool differ = CompareMaps(a, b, 0, last, [&](const LevelChange&) { reported = true; });
    return !differ && !reported;
}

bool Same(const MapMerge& merge, MapBytes expected) {
    return merge.conflicts.empty() &&
           std::equal(merge.bytes.begin(), merge.bytes.end(), expected.begin(), expected.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const MapBytes input(data + 4, size - 4);
    const std::size_t baseSize = std::min<std::size_t>(data[0] | (data[1] << 8), input.size());
    const MapBytes base = input.first(baseSize), rest = input.subspan(baseSize);
    const std::size_t oursSize = std::min<std::size_t>(data[2] | (data[3] << 8), rest.size());
    const MapBytes ours = rest.first(oursSize), theirs = rest.subspan(oursSize);

    const MapMerge merge = MergeMaps(base, ours, theirs);
    // The result is whole levels but for its last, and no longer than the longest side.
    FUZZ_CHECK(merge.bytes.size() <= std::max({base.size(), ours.size(), theirs.size()}));
    for (const MergeConflict& conflict : merge.conflicts) {
        FUZZ_CHECK(conflict.level >= 0);
        FUZZ_CHECK(!ConflictLine(conflict).empty());
    }
    // Lines for every change, whatever the two files hold.
    const std::int64_t last = std::max(MapLevelCount(base.size()), MapLevelCount(ours.size()));
    CompareMaps(base, ours, 0, last, [](const LevelChange& change) {
        FUZZ_CHECK(!ChangeLines(change).empty());
        FUZZ_CHECK(!ChangeSummary(change).empty());
    });

    for (const MapBytes map : {base, ours, theirs}) {
        FUZZ_CHECK(Same(MergeMaps(map, map, map), map));
        FUZZ_CHECK(CompareQuiet(map, map));
    }
    // A side that left base as it was takes the other side's file whole.
    FUZZ_CHECK(Same(MergeMaps(base, base, theirs), theirs));
    FUZZ_CHECK(Same(MergeMaps(base, ours, base), ours));
    // Both sides alike: that file.
    FUZZ_CHECK(Same(MergeMaps(base, ours, ours), ours));
    return 0;
}
