/* A C program's use of the drivers: the shared header compiles as C and the entry points link. */
#include "slot_storage.h"

int c_caller_reads_first_sector(void* buffer);

int c_caller_reads_first_sector(void* buffer) {
    LPIO_INTERFACE mpcf = MPCF_GetInterface();
    if (!disc_Init()) return 0;
    if (disc_HostType() != IO_TYPE_CODE('M', 'P', 'C', 'F')) return 0;
    if ((mpcf->ul_Features & FEATURE_GBA_SLOT) == 0) return 0;
    return disc_ReadSectors(0, 1, buffer) == true;
}
