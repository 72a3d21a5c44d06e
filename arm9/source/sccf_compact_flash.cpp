// CompactFlash card behind the SCCF adapter. Once unlocked the adapter shows the card's registers
// where the MPCF adapter has them, so every transfer goes through the MPCF driver's functions.
#include "compact_flash.h"

using compact_flash::MpcfAdapter;

namespace {

// Two writes of 0xA55A and two of 0x0003 to the adapter's mode register switch it to the card.
constexpr u32 SCCF_MODE_REGISTER = 0x09FFFFFE;

bool SCCF_Unlock() {
    mmio::write16(SCCF_MODE_REGISTER, 0xA55A);
    mmio::write16(SCCF_MODE_REGISTER, 0xA55A);
    mmio::write16(SCCF_MODE_REGISTER, 0x0003);
    mmio::write16(SCCF_MODE_REGISTER, 0x0003);
    return MpcfAdapter::registerTest();
}

}  // namespace

extern "C" {

bool SCCF_StartUp(void) {
    return SCCF_Unlock();
}

bool SCCF_Shutdown(void) {
    return MPCF_ClearStatus();
}

constinit const IO_INTERFACE SCCF_Interface = {
    .ul_ioType = IO_TYPE_CODE('S', 'C', 'C', 'F'),
    .ul_Features = FEATURE_CAN_READ | FEATURE_CAN_WRITE | FEATURE_GBA_SLOT,
    .fn_StartUp = SCCF_StartUp,
    .fn_IsInserted = MPCF_IsInserted,
    .fn_ReadSectors = MPCF_ReadSectors,
    .fn_WriteSectors = MPCF_WriteSectors,
    .fn_ClearStatus = MPCF_ClearStatus,
    .fn_Shutdown = SCCF_Shutdown,
};

LPIO_INTERFACE SCCF_GetInterface(void) {
    return &SCCF_Interface;
}

}  // extern "C"
