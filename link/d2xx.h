// The driver calls the link makes, declared from what the link needs of them.
// Every call goes through the loaded library, each function found by name once
// per load; a function the library lacks yields 0 and leaves its
// out-parameters alone, except FT_Open, which then fails.
#pragma once
#include <cstdint>

using FtHandle = void*;
using FtStatus = uint32_t;  // 0 = success
constexpr FtStatus kFtDeviceNotOpened = 3;

using FtCreateDeviceInfoListFn = FtStatus (*)(uint32_t* count);
using FtSetVIDPIDFn = FtStatus (*)(uint32_t vid, uint32_t pid);
using FtGetDeviceInfoDetailFn = FtStatus (*)(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id,
                                             uint32_t* locid, void* serial, void* description,
                                             FtHandle* handle);
using FtOpenFn = FtStatus (*)(int index, FtHandle* handle);
using FtCloseFn = FtStatus (*)(FtHandle handle);
using FtSetBaudRateFn = FtStatus (*)(FtHandle handle, uint32_t baud);
using FtSetDataCharacteristicsFn = FtStatus (*)(FtHandle handle, uint8_t bits, uint8_t stop, uint8_t parity);
using FtSetFlowControlFn = FtStatus (*)(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff);
using FtSetUSBParametersFn = FtStatus (*)(FtHandle handle, uint32_t in, uint32_t out);
using FtWriteFn = FtStatus (*)(FtHandle handle, void* buffer, uint32_t count, uint32_t* written);
using FtReadFn = FtStatus (*)(FtHandle handle, void* buffer, uint32_t count, uint32_t* read);
using FtGetStatusFn = FtStatus (*)(FtHandle handle, uint32_t* rxbytes, uint32_t* txbytes, uint32_t* event);
using FtReadEEFn = FtStatus (*)(FtHandle handle, uint32_t address, uint16_t* value);
using FtWriteEEFn = FtStatus (*)(FtHandle handle, uint32_t address, uint16_t value);

// The link's calls, by name through library kDriverLibrary.
namespace d2xx {
FtStatus CreateDeviceInfoList(uint32_t* count);
FtStatus SetVIDPID(uint32_t vid, uint32_t pid);
FtStatus GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* locid,
                             void* serial, void* description, FtHandle* handle);
FtStatus Open(int index, FtHandle* handle);
FtStatus Close(FtHandle handle);
FtStatus SetBaudRate(FtHandle handle, uint32_t baud);
FtStatus SetDataCharacteristics(FtHandle handle, uint8_t bits, uint8_t stop, uint8_t parity);
FtStatus SetFlowControl(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff);
FtStatus SetUSBParameters(FtHandle handle, uint32_t in, uint32_t out);
FtStatus Write(FtHandle handle, void* buffer, uint32_t count, uint32_t* written);
FtStatus Read(FtHandle handle, void* buffer, uint32_t count, uint32_t* read);
FtStatus GetStatus(FtHandle handle, uint32_t* rxbytes, uint32_t* txbytes, uint32_t* event);
FtStatus ReadEE(FtHandle handle, uint32_t address, uint16_t* value);
FtStatus WriteEE(FtHandle handle, uint32_t address, uint16_t value);
}  // namespace d2xx
