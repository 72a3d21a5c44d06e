// The contents of a simulated memory card: 512-byte sectors. A sector never written holds a fixed
// pattern of its number, so any sector can be checked without writing it first.
#pragma once

#include <array>
#include <unordered_map>

#include "bus.h"

namespace sim {

constexpr unsigned SECTOR_BYTES = 512;
using SectorData = std::array<u8, SECTOR_BYTES>;

class SectorStore {
  public:
    SectorData read(u32 number) const {
        if (auto found = written_.find(number); found != written_.end()) return found->second;
        SectorData data;
        for (unsigned i = 0; i < SECTOR_BYTES; ++i) data[i] = freshByte(number, i);
        return data;
    }
    void write(u32 number, const SectorData& data) { written_[number] = data; }

    static u8 freshByte(u32 number, unsigned offset) {
        const u32 mixed = number * 0x9E3779B1u;
        return static_cast<u8>((mixed >> 24) ^ (mixed >> 8) ^ (offset * 7) ^ (offset >> 8));
    }

  private:
    std::unordered_map<u32, SectorData> written_;
};

}  // namespace sim
