// Stands in for the cartridge ROM image driver until it is written: its start-up fails, so the
// selector's GBA-slot probe ends without a driver. No entry point touches the hardware.
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

constinit const IO_INTERFACE FCSR_Interface = {
    IO_TYPE_CODE('F', 'C', 'S', 'R'),
    FEATURE_CAN_READ | FEATURE_CAN_WRITE | FEATURE_GBA_SLOT,
    fails,
    fails,
    transferFails,
    transferFails,
    fails,
    fails,
};

LPIO_INTERFACE FCSR_GetInterface(void) {
    return &FCSR_Interface;
}

}  // extern "C"
