// Stands in for the DS-card-slot MMC driver until it is written: its start-up fails, so the
// selector goes on to the GBA slot. No entry point touches the hardware.
#include "slot_storage.h"

namespace {

bool fails() {
    return false;
}
bool transferFails(u32, u8, void*) {
    return false;
}

}  // namespace

extern "C" {

constinit const IO_INTERFACE NMMC_Interface = {
    IO_TYPE_CODE('N', 'M', 'M', 'C'),
    FEATURE_CAN_READ | FEATURE_CAN_WRITE,
    fails,
    fails,
    transferFails,
    transferFails,
    fails,
    fails,
};

LPIO_INTERFACE NMMC_GetInterface(void) {
    return &NMMC_Interface;
}

}  // extern "C"
