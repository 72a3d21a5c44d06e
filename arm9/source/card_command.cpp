// Stand-in for the platform library's cardWriteCommand, for programs built without that library
// and for the host tests: it only loads the command, so the next start written to the bus control
// register sends it.
#include "mmio.h"

using namespace ds_card_slot;

extern "C" void cardWriteCommand(const u8* command) {
    for (u32 i = 0; i < COMMAND_BYTES; ++i) mmio::write8(DS_SLOT_COMMAND + i, command[i]);
}
