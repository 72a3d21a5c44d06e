// CompactFlash card behind the M3 adapter. The adapter shows the card's registers from
// 0x08800000 only after it has seen a fixed sequence of reads.
#include "compact_flash.h"

using compact_flash::M3Adapter;

namespace {

// Read in exactly this order, each once; the values are of no use and nothing is written.
constexpr u32 M3_UNLOCK_READS[] = {
    0x08000000, 0x08E00002, 0x0800000E, 0x08801FFC, 0x0800104A,
    0x08800612, 0x08000000, 0x08801B66, 0x08800006, 0x08000000,
};

bool M3_Unlock() {
    for (u32 address : M3_UNLOCK_READS) {
        volatile u16 tmp = mmio::read16(address);
        static_cast<void>(tmp);
    }
    return M3Adapter::registerTest();
}

}  // namespace

extern "C" {

bool M3CF_StartUp(void) {
    return M3_Unlock();
}

bool M3CF_IsInserted(void) {
    return M3Adapter::isInserted();
}

bool M3CF_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    return M3Adapter::readSectors(sector, numSecs, buffer);
}

bool M3CF_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    return M3Adapter::writeSectors(sector, numSecs, buffer);
}

bool M3CF_ClearStatus(void) {
    return M3Adapter::clearStatus();
}

bool M3CF_Shutdown(void) {
    return M3CF_ClearStatus();
}

constinit const IO_INTERFACE M3CF_Interface = {
    .ul_ioType = IO_TYPE_CODE('M', '3', 'C', 'F'),
    .ul_Features = FEATURE_CAN_READ | FEATURE_CAN_WRITE | FEATURE_GBA_SLOT,
    .fn_StartUp = M3CF_StartUp,
    .fn_IsInserted = M3CF_IsInserted,
    .fn_ReadSectors = M3CF_ReadSectors,
    .fn_WriteSectors = M3CF_WriteSectors,
    .fn_ClearStatus = M3CF_ClearStatus,
    .fn_Shutdown = M3CF_Shutdown,
};

LPIO_INTERFACE M3CF_GetInterface(void) {
    return &M3CF_Interface;
}

}  // extern "C"
