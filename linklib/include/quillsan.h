/* QUILLSAN.DLL: the Zantorel thermal cycler link library.
 *
 * Every export takes 32-bit argument slots and uses the platform's standard
 * calling convention (__stdcall on 32-bit Windows). Where an argument is used
 * with 8 or 16 bits, the bits above are ignored. Results named "result word"
 * carry their value in the low 16 bits. A result of 0 is told from a failure
 * only by GetRemoteError(). */
#ifndef QUILLSAN_H
#define QUILLSAN_H

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

#ifdef __cplusplus
extern "C" {
#endif

/* Link selection: baudRate 0 searches for the instrument on USB; any other
 * baud rate opens COM(portIndex + 1). Returns 1 when the link is open. */
QUILLSAN_API uint32_t QUILLSAN_CALL InitRemoteComm(uint32_t baudRate, uint32_t portIndex);

/* The sticky link error: 0 none, 1 send failed, 6 no valid reply,
 * 8 block write failed, 9 block read failed. */
QUILLSAN_API int32_t QUILLSAN_CALL GetRemoteError(void);
/* Drains pending serial input and clears the link error. Returns 0. */
QUILLSAN_API uint32_t QUILLSAN_CALL ClearRemoteError(void);

/* Thin commands: the instrument's answer, 0 on failure. */
QUILLSAN_API uint32_t QUILLSAN_CALL GetSlaveParameter(uint32_t parameter, uint32_t second);
QUILLSAN_API uint32_t QUILLSAN_CALL SetSlaveParameter(uint32_t parameter, uint32_t value1,
                                                      uint32_t value2);
QUILLSAN_API uint32_t QUILLSAN_CALL GetInstrumentStatus(void);
QUILLSAN_API uint32_t QUILLSAN_CALL InstrumentControl(uint32_t argument1, uint32_t argument2,
                                                      uint32_t argument3);
QUILLSAN_API uint32_t QUILLSAN_CALL ClearRunProtocol(uint32_t argument1, uint32_t argument2);
QUILLSAN_API uint32_t QUILLSAN_CALL ReadADTab(uint32_t index);
QUILLSAN_API uint32_t QUILLSAN_CALL ReadADTabLong(uint32_t index);
QUILLSAN_API uint32_t QUILLSAN_CALL ReadTempTab(uint32_t index);

/* Identity texts. GetDLLName writes 13 bytes whatever the buffer; the others
 * fill exactly `size` bytes, zero-padded and always terminated. */
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLName(char* buffer);
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLName2(char* buffer, uint32_t size);
QUILLSAN_API uint32_t QUILLSAN_CALL GetDLLVersion(char* buffer, uint32_t size);
QUILLSAN_API uint32_t QUILLSAN_CALL GetPCRVersion(char* buffer, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif /* QUILLSAN_H */
