/* Takes the address of every export as quillsan.h declares it. Linked against
 * an import library made from stdcall_exports.def, it links only when each
 * declaration removes the argument bytes that the export table gives. */
#include "quillsan.h"

typedef void (*AnyFunction)(void);

static const AnyFunction kExports[] = {
    (AnyFunction)ClearRemoteError,
    (AnyFunction)ClearRunProtocol,
    (AnyFunction)DeleteItem,
    (AnyFunction)GetDLLName,
    (AnyFunction)GetFolder,
    (AnyFunction)GetFolderHandle,
    (AnyFunction)GetHeadStatus,
    (AnyFunction)GetInstrumentStatus,
    (AnyFunction)GetItemCount,
    (AnyFunction)GetItemList,
    (AnyFunction)GetItemName,
    (AnyFunction)GetItemType,
    (AnyFunction)GetProtocol,
    (AnyFunction)GetProtocolHandle,
    (AnyFunction)GetRemoteError,
    (AnyFunction)GetSlaveParameter,
    (AnyFunction)GetUser,
    (AnyFunction)GetUserHandle,
    (AnyFunction)InsertFolder,
    (AnyFunction)InsertProtocol,
    (AnyFunction)InsertUser,
    (AnyFunction)InstrumentControl,
    (AnyFunction)SetSlaveParameter,
    (AnyFunction)StoreProtocol,
    (AnyFunction)StoreRunProtocol,
    (AnyFunction)InitRemoteComm,
    (AnyFunction)GetDLLVersion,
    (AnyFunction)GetPCRVersion,
    (AnyFunction)GetPCRSerNum,
    (AnyFunction)GetDLLName2,
    (AnyFunction)GetHeadStatus2,
    (AnyFunction)GetProtocol2,
    (AnyFunction)InsertProtocol2,
    (AnyFunction)StoreRunProtocol2,
    (AnyFunction)StoreProtocol2,
    (AnyFunction)ReadADTab,
    (AnyFunction)ReadTempTab,
    (AnyFunction)ReadADTabLong,
    (AnyFunction)FindHID,
    (AnyFunction)SendUSBPacket,
    (AnyFunction)GetUSBResponsePacket,
    (AnyFunction)bZtUsbConnected,
    (AnyFunction)GetUsbHandle,
};

int main(void) {
    return sizeof kExports / sizeof kExports[0] == 43 ? 0 : 1;
}
