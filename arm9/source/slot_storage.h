/*
 * Raw 512-byte-sector access to flash cards in the Nintendo DS card slot and the GBA slot.
 *
 * A file system calls only the disc_* functions: disc_Init picks the first driver whose start-up
 * succeeds (the DS card slot first, then the GBA slot) and the sector calls are forwarded to it.
 * Each driver describes itself with one constant IO_INTERFACE record returned by its
 * *_GetInterface function. Compiles as C and as C++.
 */
#ifndef SLOT_STORAGE_H
#define SLOT_STORAGE_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

/*
 * Platform types. bool is the language's own boolean in C and in C++: on the ARM procedure call
 * standard a bool result or argument travels zero-extended in a full 32-bit register, so every
 * entry point hands over a 32-bit 0 or 1 whichever language calls it.
 */
typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;

/* One sector is 512 bytes everywhere; a sector count of 0 stands for 256 sectors. */
#define SECTOR_SIZE 512

/* Type code: four ASCII characters, the first one in the low byte, so memory spells the code. */
#define IO_TYPE_CODE(a, b, c, d) \
    ((u32)(u8)(a) | ((u32)(u8)(b) << 8) | ((u32)(u8)(c) << 16) | ((u32)(u8)(d) << 24))

/* Feature bits of ul_Features: information for the caller, never tested inside the drivers. */
#define FEATURE_CAN_READ 0x00000001u
#define FEATURE_CAN_WRITE 0x00000002u
#define FEATURE_GBA_SLOT 0x00000010u

typedef bool (*FN_MEDIUM_STARTUP)(void);
typedef bool (*FN_MEDIUM_ISINSERTED)(void);
typedef bool (*FN_MEDIUM_READSECTORS)(u32 sector, u8 numSecs, void* buffer);
typedef bool (*FN_MEDIUM_WRITESECTORS)(u32 sector, u8 numSecs, void* buffer);
typedef bool (*FN_MEDIUM_CLEARSTATUS)(void);
typedef bool (*FN_MEDIUM_SHUTDOWN)(void);

/* The record of one driver: eight 32-bit fields on the console, in this order. */
typedef struct IO_INTERFACE {
    u32 ul_ioType;
    u32 ul_Features;
    FN_MEDIUM_STARTUP fn_StartUp;
    FN_MEDIUM_ISINSERTED fn_IsInserted;
    FN_MEDIUM_READSECTORS fn_ReadSectors;
    FN_MEDIUM_WRITESECTORS fn_WriteSectors;
    FN_MEDIUM_CLEARSTATUS fn_ClearStatus;
    FN_MEDIUM_SHUTDOWN fn_Shutdown;
} IO_INTERFACE;

typedef const IO_INTERFACE* LPIO_INTERFACE;

#ifdef __cplusplus
extern "C" {
#endif

/* Selector (slotswitch). */
bool disc_Init(void);
bool disc_setDsSlotInterface(void);
bool disc_setGbaSlotInterface(void);
bool disc_IsInserted(void);
bool disc_ReadSectors(u32 sector, u8 numSecs, void* buffer);
bool disc_WriteSectors(u32 sector, u8 numSecs, void* buffer);
bool disc_ClearStatus(void);
bool disc_Shutdown(void);
u32 disc_HostType(void);

/* MMC card on the DS card slot's serial bus (drvdune), type "NMMC". */
LPIO_INTERFACE NMMC_GetInterface(void);
extern const IO_INTERFACE NMMC_Interface;
bool NMMC_StartUp(void);
bool NMMC_IsInserted(void);
bool NMMC_ReadSectors(u32 sector, u8 numSecs, void* buffer);
bool NMMC_WriteSectors(u32 sector, u8 numSecs, void* buffer);
bool NMMC_ClearStatus(void);
bool NMMC_Shutdown(void);

/* The MMC adapter's own functions. spi_freq (3 from load, 0 once start-up found a fast card) is
 * the serial clock used when serial mode opens; selectMMC_command is the card bus command that
 * connects the MMC (byte 1 = 1) or disconnects it (byte 1 = 0). */
extern int32_t spi_freq;
extern u8 selectMMC_command[8];
void Neo_SelectMMC(u8 dataByte);
void Neo_EnableMMC(bool enable);
bool Neo_CheckMMCResponse(u8 response, u8 mask);
void Neo_SendMMCCommand(u8 command, u32 argument);
void Neo_WriteMK2Config(u8 config);
u8 Neo_ReadMK2Config(void);
bool Neo_InitMMC(void);

/* CompactFlash behind the M3 adapter (drvbirch), type "M3CF". */
LPIO_INTERFACE M3CF_GetInterface(void);
extern const IO_INTERFACE M3CF_Interface;
bool M3CF_StartUp(void);
bool M3CF_IsInserted(void);
bool M3CF_ReadSectors(u32 sector, u8 numSecs, void* buffer);
bool M3CF_WriteSectors(u32 sector, u8 numSecs, void* buffer);
bool M3CF_ClearStatus(void);
bool M3CF_Shutdown(void);

/* CompactFlash behind the MPCF adapter (drvcedar), type "MPCF". */
LPIO_INTERFACE MPCF_GetInterface(void);
extern const IO_INTERFACE MPCF_Interface;
bool MPCF_StartUp(void);
bool MPCF_IsInserted(void);
bool MPCF_ReadSectors(u32 sector, u8 numSecs, void* buffer);
bool MPCF_WriteSectors(u32 sector, u8 numSecs, void* buffer);
bool MPCF_ClearStatus(void);
bool MPCF_Shutdown(void);

/* CompactFlash behind the SCCF adapter (drvamber), type "SCCF": the MPCF registers after an
 * unlock, so its record reuses MPCF_IsInserted, MPCF_ReadSectors, MPCF_WriteSectors and
 * MPCF_ClearStatus. */
LPIO_INTERFACE SCCF_GetInterface(void);
extern const IO_INTERFACE SCCF_Interface;
bool SCCF_StartUp(void);
bool SCCF_Shutdown(void);

/* File system image in GBA cartridge ROM with writable ranges in SRAM (drvember), type "FCSR". */
LPIO_INTERFACE FCSR_GetInterface(void);
extern const IO_INTERFACE FCSR_Interface;
bool FCSR_StartUp(void);
bool FCSR_IsInserted(void);
bool FCSR_ReadSectors(u32 sector, u8 numSecs, void* buffer);
bool FCSR_WriteSectors(u32 sector, u8 numSecs, void* buffer);
bool FCSR_ClearStatus(void);
bool FCSR_Shutdown(void);
/* Its state, zero at program load and after FCSR_Shutdown: the image's start in ROM and, for each
 * of the four writable ranges, its first sector, the first sector after it and its place in
 * SRAM. The label that the image's header must carry, with its zero byte. */
extern const u8* FCSR_FileSysPointer;
extern u32 FCSR_SramSectorStart[4];
extern u32 FCSR_SramSectorEnd[4];
extern volatile u8* FCSR_SramSectorPointer[4];
extern const char FCSR_LabelString[12];

#ifdef __cplusplus
}

#include <stddef.h>

/* Field order and widths of the record; on the console every field is 32 bits wide. */
static_assert(offsetof(IO_INTERFACE, ul_Features) == 4);
static_assert(offsetof(IO_INTERFACE, fn_StartUp) == 8);
static_assert(offsetof(IO_INTERFACE, fn_IsInserted) == 8 + 1 * sizeof(void*));
static_assert(offsetof(IO_INTERFACE, fn_ReadSectors) == 8 + 2 * sizeof(void*));
static_assert(offsetof(IO_INTERFACE, fn_WriteSectors) == 8 + 3 * sizeof(void*));
static_assert(offsetof(IO_INTERFACE, fn_ClearStatus) == 8 + 4 * sizeof(void*));
static_assert(offsetof(IO_INTERFACE, fn_Shutdown) == 8 + 5 * sizeof(void*));
static_assert(sizeof(IO_INTERFACE) == 8 + 6 * sizeof(void*));
#if defined(__arm__)
static_assert(sizeof(IO_INTERFACE) == 32, "the console record is eight 32-bit fields");
#endif
#endif

#endif /* SLOT_STORAGE_H */
