/* A library named QUILLSAN.DLL that has some of the 28 names brevalin needs
 * and not others. Its GetDLLVersion leaves a mark, so a test sees the call. */
#include <stdint.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))
#define PLAIN(name) \
    EXPORT uint32_t name(void) { return 0; }

#ifndef WRONG_NO_VERSION
EXPORT uint32_t GetDLLVersion(char* buffer, uint32_t size) {
    static const char text[] = "WRONG LIBRARY 0.001";
    if (size == 0) return 0;
    strncpy(buffer, text, size);
    buffer[size - 1] = '\0';
    return sizeof text - 1 < size ? sizeof text - 1 : size;
}
#endif
PLAIN(GetDLLName)
PLAIN(GetInstrumentStatus)
PLAIN(GetRemoteError)
PLAIN(ClearRemoteError)
PLAIN(GetSlaveParameter)
PLAIN(SetSlaveParameter)
PLAIN(GetUser)
PLAIN(GetUserHandle)
PLAIN(GetFolderHandle)
PLAIN(GetProtocolHandle)
PLAIN(InitRemoteComm)
PLAIN(InstrumentControl)
PLAIN(GetItemList)
PLAIN(GetItemName)
PLAIN(GetProtocol)
PLAIN(GetItemType)
PLAIN(InsertUser)
PLAIN(InsertFolder)
PLAIN(InsertProtocol)
PLAIN(DeleteItem)
PLAIN(StoreRunProtocol)
PLAIN(ClearRunProtocol)
#ifndef WRONG_NO_HEAD_STATUS_OR_COUNT
PLAIN(GetHeadStatus)
#endif
PLAIN(GetDLLName2)
PLAIN(GetPCRVersion)
PLAIN(GetPCRSerNum)
#if !defined(WRONG_NO_HEAD_STATUS_OR_COUNT) && !defined(WRONG_NO_COUNT)
PLAIN(GetItemCount)
#endif
