// Slot selector: finds a driver whose start-up succeeds, the DS card slot first, and forwards
// every sector call to it.
#include "mmio.h"

namespace {

// GBA-slot drivers in the order they are tried.
constexpr LPIO_INTERFACE (*const GBA_SLOT_DRIVERS[])(void) = {
    M3CF_GetInterface,
    MPCF_GetInterface,
    SCCF_GetInterface,
    FCSR_GetInterface,
};

LPIO_INTERFACE active_interface = nullptr;

void giveToArm9(u16 exmemBits) {
    mmio::write16(mmio::EXMEM_CTRL, mmio::read16(mmio::EXMEM_CTRL) & ~exmemBits);
}

}  // namespace

extern "C" {

bool disc_setDsSlotInterface(void) {
    giveToArm9(mmio::EXMEM_DS_SLOT_ARM7);
    active_interface = NMMC_GetInterface();
    return active_interface->fn_StartUp();
}

bool disc_setGbaSlotInterface(void) {
    giveToArm9(mmio::EXMEM_GBA_SLOT_ARM7 | mmio::EXMEM_MAIN_MEMORY_ARM7_PRIORITY);
    for (auto getInterface : GBA_SLOT_DRIVERS) {
        active_interface = getInterface();
        if (active_interface->fn_StartUp()) return true;
    }
    return false;  // the last record tried stays installed
}

bool disc_Init(void) {
    if (active_interface != nullptr) return true;
    if (disc_setDsSlotInterface()) return true;
    if (disc_setGbaSlotInterface()) return true;
    active_interface = nullptr;
    return false;
}

bool disc_IsInserted(void) {
    return active_interface != nullptr && active_interface->fn_IsInserted();
}

bool disc_ReadSectors(u32 sector, u8 numSecs, void* buffer) {
    return active_interface != nullptr && active_interface->fn_ReadSectors(sector, numSecs, buffer);
}

bool disc_WriteSectors(u32 sector, u8 numSecs, void* buffer) {
    return active_interface != nullptr &&
           active_interface->fn_WriteSectors(sector, numSecs, buffer);
}

bool disc_ClearStatus(void) {
    return active_interface != nullptr && active_interface->fn_ClearStatus();
}

bool disc_Shutdown(void) {
    if (active_interface != nullptr) active_interface->fn_Shutdown();
    active_interface = nullptr;
    return true;
}

u32 disc_HostType(void) {
    return active_interface != nullptr ? active_interface->ul_ioType : 0;
}

}  // extern "C"
