/* QUILLSAN.DLL: the Zantorel thermal cycler link library.
 *
 * Every export takes 32-bit argument slots and uses the platform's standard
 * calling convention (__stdcall on 32-bit Windows). Where an argument is used
 * with 8 or 16 bits, the bits above are ignored. Results named "result word"
 * carry their value in the low 16 bits. A result of 0 is told from a failure
 * only by GetRemoteError().
 *
 * Link errors (GetRemoteError; sticky until ClearRemoteError): 1 nothing was
 * sent, 6 no valid reply, 8 block write failed, 9 block read failed.
 *
 * Where this library is stricter than a plain reading of its calls:
 * - A protocol record that its encoder refuses (InsertProtocol, StoreProtocol,
 *   StoreRunProtocol and their "2" forms), or a name of 65535 characters or
 *   more given to a Get...Handle lookup, sends nothing and sets link error 1,
 *   so a 0 or 0xFFFF result is not mistaken for the instrument's answer.
 * - GetItemList returns at most 1024 handles: a list the instrument announces
 *   as longer than 2048 bytes is refused with link error 9 and nothing is
 *   written to the caller's list. That refusal replaces a link error already
 *   pending.
 * - USB, input-report path (release numbers above 1): a reply report that does
 *   not arrive within 10 s is no reply (link error 6) for every command,
 *   including command 0. Replies left queued by an earlier exchange are
 *   discarded before each request goes out, so none is taken for a later one.
 * - USB search: interfaces this user may not open (on Linux, hidraw nodes
 *   without read and write permission) are skipped rather than ending the search.
 * - USB: a write, poll or input read that fails while it is being waited for is
 *   taken as failed at once. An unplug during a pending write therefore
 *   returns 0 (not sent), and an unplug during a poll or an input read asks
 *   the reconnect question at once rather than after the rest of the wait.
 * - USB on Linux: only an error that means the device has gone (ENODEV,
 *   ESHUTDOWN; EIO or a hang-up from a read or poll) asks the reconnect
 *   question. A stalled transfer (EPIPE) or a transfer time-out is a plain
 *   failure, so a stalled feature request is repeated up to 21 times in all. A
 *   write's own wait inside the kernel counts against its 5000 ms. A status
 *   poll takes the newest report queued, never an older one. */
#ifndef QUILLSAN_H
#define QUILLSAN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QUILLSAN_CALL __stdcall
#else
#define QUILLSAN_CALL
#endif

#if defined(QUILLSAN_BUILDING) && !defined(_WIN32)
#define QUILLSAN_API __attribute__((visibility("default")))
#else
#define QUILLSAN_API /* Windows exports come from quillsan.def */
#endif

/* Caller records: fixed little-endian byte layouts shared with every caller.
 * Bytes marked pad are neither read nor written by the library. */
#pragma pack(push, 1)

typedef struct UserRecord { /* 57 bytes */
    char name[26];
    char extraText[13];
    uint8_t pad39;
    uint16_t word0, word1, word2, word3, word4;
    uint8_t byte0, byte1, byte2, byte3;
    uint16_t word5;
    uint8_t byte4;
} UserRecord;

typedef struct HeadStatus { /* 26 bytes */
    uint32_t value0, value1, value2;
    uint8_t byte0, byte1, byte2, byte3;
    uint16_t word0, word1, word2, word3, word4;
} HeadStatus;

typedef struct HeadStatus2 { /* 32 bytes */
    uint32_t value0, value1, value2;
    uint8_t byte0, byte1, byte2;
    uint8_t pad15;
    uint16_t word0, word1, word2, word3, word4, word5, word6, word7;
} HeadStatus2;

typedef struct ProtocolSegment { /* 14 bytes */
    uint8_t a;                   /* bit 7 set: a, b, c and d absent */
    uint8_t b;
    uint16_t c, d;
    uint16_t e; /* below 8191, or 0xFFFF for none */
    uint16_t f; /* 0 to 4095 */
    uint16_t g; /* bit 15 set: absent */
    uint8_t h;
    uint8_t pad13;
} ProtocolSegment;

typedef struct ProtocolStep { /* 130 bytes */
    uint8_t stepValue;        /* 0 to 127 */
    uint8_t segmentInfo;      /* low 4 bits: segments in use, 0 to 9 */
    uint8_t stepByte;
    uint8_t pad3;
    ProtocolSegment segments[9];
} ProtocolStep;

typedef struct ProtocolRecord { /* 1200 bytes */
    char name[26];
    uint8_t stepCount; /* 0 to 9 */
    uint8_t pad27;
    ProtocolStep steps[9];
    uint8_t pad1198[2];
} ProtocolRecord;

typedef struct ProtocolSegment2 { /* 16 bytes */
    uint16_t a, b, c, d;
    uint16_t e; /* 0 to 8191 */
    uint16_t f, g;
    uint8_t h;
    uint8_t pad15;
} ProtocolSegment2;

typedef struct ProtocolStep2 { /* 148 bytes */
    uint16_t stepValue;
    uint8_t segmentCount; /* 0 to 9 */
    uint8_t stepByte;
    ProtocolSegment2 segments[9];
} ProtocolStep2;

typedef struct ProtocolRecord2 { /* 1361 bytes */
    char name[26];
    uint8_t stepCount; /* 0 to 9 */
    uint8_t pad27;
    ProtocolStep2 steps[9];
    uint8_t tailByte;
} ProtocolRecord2;

#pragma pack(pop)

/* Six caller-owned text buffers, each at least the field length given to FindHID. */
typedef struct HidInfo {
    char* language;
    char* manufacturer;
    char* product;
    char* serialNumber;
    char* configuration;
    char* interfaceName;
} HidInfo;

#ifdef __cplusplus
#define QUILLSAN_ASSERT_LAYOUT(what, value) static_assert(what, value)
#else
#define QUILLSAN_ASSERT_LAYOUT(what, value) _Static_assert(what, value)
#endif
#define QUILLSAN_AT(type, field, offset) \
    QUILLSAN_ASSERT_LAYOUT(offsetof(type, field) == (offset), #type "." #field)
#define QUILLSAN_SIZE(type, size) QUILLSAN_ASSERT_LAYOUT(sizeof(type) == (size), #type " size")

QUILLSAN_SIZE(UserRecord, 57);
QUILLSAN_AT(UserRecord, name, 0);
QUILLSAN_AT(UserRecord, extraText, 26);
QUILLSAN_AT(UserRecord, word0, 40);
QUILLSAN_AT(UserRecord, word1, 42);
QUILLSAN_AT(UserRecord, word2, 44);
QUILLSAN_AT(UserRecord, word3, 46);
QUILLSAN_AT(UserRecord, word4, 48);
QUILLSAN_AT(UserRecord, byte0, 50);
QUILLSAN_AT(UserRecord, byte1, 51);
QUILLSAN_AT(UserRecord, byte2, 52);
QUILLSAN_AT(UserRecord, byte3, 53);
QUILLSAN_AT(UserRecord, word5, 54);
QUILLSAN_AT(UserRecord, byte4, 56);

QUILLSAN_SIZE(HeadStatus, 26);
QUILLSAN_AT(HeadStatus, value0, 0);
QUILLSAN_AT(HeadStatus, value1, 4);
QUILLSAN_AT(HeadStatus, value2, 8);
QUILLSAN_AT(HeadStatus, byte0, 12);
QUILLSAN_AT(HeadStatus, byte1, 13);
QUILLSAN_AT(HeadStatus, byte2, 14);
QUILLSAN_AT(HeadStatus, byte3, 15);
QUILLSAN_AT(HeadStatus, word0, 16);
QUILLSAN_AT(HeadStatus, word1, 18);
QUILLSAN_AT(HeadStatus, word2, 20);
QUILLSAN_AT(HeadStatus, word3, 22);
QUILLSAN_AT(HeadStatus, word4, 24);

QUILLSAN_SIZE(HeadStatus2, 32);
QUILLSAN_AT(HeadStatus2, value0, 0);
QUILLSAN_AT(HeadStatus2, value1, 4);
QUILLSAN_AT(HeadStatus2, value2, 8);
QUILLSAN_AT(HeadStatus2, byte0, 12);
QUILLSAN_AT(HeadStatus2, byte1, 13);
QUILLSAN_AT(HeadStatus2, byte2, 14);
QUILLSAN_AT(HeadStatus2, word0, 16);
QUILLSAN_AT(HeadStatus2, word1, 18);
QUILLSAN_AT(HeadStatus2, word2, 20);
QUILLSAN_AT(HeadStatus2, word3, 22);
QUILLSAN_AT(HeadStatus2, word4, 24);
QUILLSAN_AT(HeadStatus2, word5, 26);
QUILLSAN_AT(HeadStatus2, word6, 28);
QUILLSAN_AT(HeadStatus2, word7, 30);

QUILLSAN_SIZE(ProtocolSegment, 14);
QUILLSAN_AT(ProtocolSegment, a, 0);
QUILLSAN_AT(ProtocolSegment, b, 1);
QUILLSAN_AT(ProtocolSegment, c, 2);
QUILLSAN_AT(ProtocolSegment, d, 4);
QUILLSAN_AT(ProtocolSegment, e, 6);
QUILLSAN_AT(ProtocolSegment, f, 8);
QUILLSAN_AT(ProtocolSegment, g, 10);
QUILLSAN_AT(ProtocolSegment, h, 12);
QUILLSAN_SIZE(ProtocolStep, 130);
QUILLSAN_AT(ProtocolStep, stepValue, 0);
QUILLSAN_AT(ProtocolStep, segmentInfo, 1);
QUILLSAN_AT(ProtocolStep, stepByte, 2);
QUILLSAN_AT(ProtocolStep, segments, 4);
QUILLSAN_SIZE(ProtocolRecord, 1200);
QUILLSAN_AT(ProtocolRecord, name, 0);
QUILLSAN_AT(ProtocolRecord, stepCount, 26);
QUILLSAN_AT(ProtocolRecord, steps, 28);

QUILLSAN_SIZE(ProtocolSegment2, 16);
QUILLSAN_AT(ProtocolSegment2, a, 0);
QUILLSAN_AT(ProtocolSegment2, b, 2);
QUILLSAN_AT(ProtocolSegment2, c, 4);
QUILLSAN_AT(ProtocolSegment2, d, 6);
QUILLSAN_AT(ProtocolSegment2, e, 8);
QUILLSAN_AT(ProtocolSegment2, f, 10);
QUILLSAN_AT(ProtocolSegment2, g, 12);
QUILLSAN_AT(ProtocolSegment2, h, 14);
QUILLSAN_SIZE(ProtocolStep2, 148);
QUILLSAN_AT(ProtocolStep2, stepValue, 0);
QUILLSAN_AT(ProtocolStep2, segmentCount, 2);
QUILLSAN_AT(ProtocolStep2, stepByte, 3);
QUILLSAN_AT(ProtocolStep2, segments, 4);
QUILLSAN_SIZE(ProtocolRecord2, 1361);
QUILLSAN_AT(ProtocolRecord2, name, 0);
QUILLSAN_AT(ProtocolRecord2, stepCount, 26);
QUILLSAN_AT(ProtocolRecord2, steps, 28);
QUILLSAN_AT(ProtocolRecord2, tailByte, 1360);

QUILLSAN_SIZE(HidInfo, 6 * sizeof(char*));
QUILLSAN_AT(HidInfo, language, 0);
QUILLSAN_AT(HidInfo, manufacturer, 1 * sizeof(char*));
QUILLSAN_AT(HidInfo, product, 2 * sizeof(char*));
QUILLSAN_AT(HidInfo, serialNumber, 3 * sizeof(char*));
QUILLSAN_AT(HidInfo, configuration, 4 * sizeof(char*));
QUILLSAN_AT(HidInfo, interfaceName, 5 * sizeof(char*));

#undef QUILLSAN_AT
#undef QUILLSAN_SIZE
#undef QUILLSAN_ASSERT_LAYOUT

/* The library's only question to the user is the USB reconnect prompt
 * ("Device not connected; reconnect?", caption "USB ERROR"). On Windows it is a
 * message box. On Linux a host program answers it by exporting a function of
 * this name and type from its executable (link with -rdynamic, or CMake's
 * ENABLE_EXPORTS); it returns nonzero for Yes. Without one the library asks
 * on the terminal when one is attached, and otherwise answers No. */
#define QUILLSAN_HOST_PROMPT_NAME "QuillsanHostPrompt"
typedef int (*QuillsanHostPromptFunction)(const char* text, const char* caption);

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinals 1 to 43 (see quillsan.def), in ordinal order. "word" results carry
 * their value in the low 16 bits. */
QUILLSAN_API uint32_t QUILLSAN_CALL ClearRemoteError(void); /* 1 */
QUILLSAN_API uint32_t QUILLSAN_CALL ClearRunProtocol(uint32_t argument1,
                                                     uint32_t argument2); /* 2 */
QUILLSAN_API uint32_t QUILLSAN_CALL DeleteItem(uint32_t handle);          /* 3 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLName(char* buffer);             /* 4: writes 13 bytes */
QUILLSAN_API uint32_t QUILLSAN_CALL GetFolder(char* name25, uint32_t handle); /* 5: word */
QUILLSAN_API uint32_t QUILLSAN_CALL GetFolderHandle(const char* name);        /* 6 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetHeadStatus(HeadStatus* status, uint32_t selector); /* 7 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetInstrumentStatus(void);                            /* 8 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetItemCount(uint32_t collection, uint32_t selector); /* 9 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetItemList(uint16_t* list, uint32_t collection,
                                                uint32_t selector);                         /* 10 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetItemName(char* buffer, uint32_t handle);             /* 11 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetItemType(uint32_t handle);                           /* 12 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetProtocol(ProtocolRecord* record, uint32_t handle);   /* 13 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetProtocolHandle(const char* name);                    /* 14 */
QUILLSAN_API int32_t QUILLSAN_CALL GetRemoteError(void);                                    /* 15 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetSlaveParameter(uint32_t parameter, uint32_t second); /* 16 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetUser(UserRecord* user, uint32_t handle);             /* 17 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetUserHandle(const char* name);                        /* 18 */
QUILLSAN_API uint32_t QUILLSAN_CALL InsertFolder(const char* name25, uint32_t value1,
                                                 uint32_t value2); /* 19 */
QUILLSAN_API uint32_t QUILLSAN_CALL InsertProtocol(const ProtocolRecord* record, uint32_t value1,
                                                   uint32_t value2);                    /* 20 */
QUILLSAN_API uint32_t QUILLSAN_CALL InsertUser(const UserRecord* user, uint32_t value); /* 21 */
QUILLSAN_API uint32_t QUILLSAN_CALL InstrumentControl(uint32_t argument1, uint32_t argument2,
                                                      uint32_t argument3); /* 22 */
QUILLSAN_API uint32_t QUILLSAN_CALL SetSlaveParameter(uint32_t parameter, uint32_t value1,
                                                      uint32_t value2); /* 23 */
QUILLSAN_API uint32_t QUILLSAN_CALL StoreProtocol(const ProtocolRecord* record,
                                                  uint32_t value); /* 24 */
QUILLSAN_API uint32_t QUILLSAN_CALL StoreRunProtocol(const ProtocolRecord* record, uint32_t value1,
                                                     uint32_t value2); /* 25 */
/* 26: baudRate 0 searches for the instrument on USB; any other baud rate opens
 * COM(portIndex + 1). Returns 1 when the link is open. */
QUILLSAN_API uint32_t QUILLSAN_CALL InitRemoteComm(uint32_t baudRate, uint32_t portIndex);
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLVersion(char* buffer, uint32_t size);             /* 27 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetPCRVersion(char* buffer, uint32_t size);             /* 28 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetPCRSerNum(char* buffer, uint32_t size);              /* 29 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLName2(char* buffer, uint32_t size);               /* 30 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetHeadStatus2(HeadStatus2* status, uint32_t selector); /* 31 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetProtocol2(ProtocolRecord2* record, uint32_t handle); /* 32 */
QUILLSAN_API uint32_t QUILLSAN_CALL InsertProtocol2(const ProtocolRecord2* record, uint32_t value1,
                                                    uint32_t value2); /* 33 */
QUILLSAN_API uint32_t QUILLSAN_CALL StoreRunProtocol2(const ProtocolRecord2* record,
                                                      uint32_t value1, uint32_t value2); /* 34 */
QUILLSAN_API uint32_t QUILLSAN_CALL StoreProtocol2(const ProtocolRecord2* record,
                                                   uint32_t value); /* 35 */
QUILLSAN_API uint32_t QUILLSAN_CALL ReadADTab(uint32_t index);      /* 36 */
QUILLSAN_API uint32_t QUILLSAN_CALL ReadTempTab(uint32_t index);    /* 37 */
QUILLSAN_API uint32_t QUILLSAN_CALL ReadADTabLong(uint32_t index);  /* 38 */
/* 39: 256 when the instrument is held afterwards, else 0. info may be null. */
QUILLSAN_API uint32_t QUILLSAN_CALL FindHID(HidInfo* info, uint32_t fieldLength);
QUILLSAN_API uint32_t QUILLSAN_CALL SendUSBPacket(const uint8_t* packet, int32_t length); /* 40 */
QUILLSAN_API uint32_t QUILLSAN_CALL GetUSBResponsePacket(uint8_t* payload256,
                                                         int32_t* count); /* 41 */
QUILLSAN_API uint8_t QUILLSAN_CALL bZtUsbConnected(void);                 /* 42 */
QUILLSAN_API void* QUILLSAN_CALL GetUsbHandle(void);                      /* 43 */

#ifdef __cplusplus
}
#endif

#endif /* QUILLSAN_H */
