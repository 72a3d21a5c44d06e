// CompactFlash card behind the MPCF adapter. The adapter always shows the card's registers at
// 0x09000000, so start-up is only a check that they answer.
#include "compact_flash.h"

using compact_flash::MpcfAdapter;

extern "C" {

bool MPCF_StartUp(void) {
    return MpcfAdapter::registerTest();
}

bool MPCF_IsInserted(void) {
    return MpcfAdapter::isInserted();
}

bool MPCF_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    return MpcfAdapter::readSectors(sector, numSecs, buffer);
}

bool MPCF_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    return MpcfAdapter::writeSectors(sector, numSecs, buffer);
}

bool MPCF_ClearStatus(void) {
    return MpcfAdapter::clearStatus();
}

bool MPCF_Shutdown(void) {
    return MPCF_ClearStatus();
}

constinit const IO_INTERFACE MPCF_Interface = {
    .ul_ioType = IO_TYPE_CODE('M', 'P', 'C', 'F'),
    .ul_Features = FEATURE_CAN_READ | FEATURE_CAN_WRITE | FEATURE_GBA_SLOT,
    .fn_StartUp = MPCF_StartUp,
    .fn_IsInserted = MPCF_IsInserted,
    .fn_ReadSectors = MPCF_ReadSectors,
    .fn_WriteSectors = MPCF_WriteSectors,
    .fn_ClearStatus = MPCF_ClearStatus,
    .fn_Shutdown = MPCF_Shutdown,
};

LPIO_INTERFACE MPCF_GetInterface(void) {
    return &MPCF_Interface;
}

}  // extern "C"
