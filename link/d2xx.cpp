#include "link/d2xx.h"

#include "link/state.h"
#include "platform/driverlib.h"

namespace d2xx {

FtStatus CreateDeviceInfoList(uint32_t* count) {
  return pf::CallLibraryFunction<FtCreateDeviceInfoListFn>(kDriverLibrary, "FT_CreateDeviceInfoList", count);
}
FtStatus SetVIDPID(uint32_t vid, uint32_t pid) {
  return pf::CallLibraryFunction<FtSetVIDPIDFn>(kDriverLibrary, "FT_SetVIDPID", vid, pid);
}
FtStatus GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* locid,
                             void* serial, void* description, FtHandle* handle) {
  return pf::CallLibraryFunction<FtGetDeviceInfoDetailFn>(
      kDriverLibrary, "FT_GetDeviceInfoDetail", index, flags, type, id, locid, serial, description, handle);
}
FtStatus Open(int index, FtHandle* handle) {
  // Unlike the other calls, a library without the opener has not opened
  // anything: yielding 0 here would pass for an open device.
  if (!pf::LibraryFunction(kDriverLibrary, "FT_Open")) return kFtDeviceNotOpened;
  return pf::CallLibraryFunction<FtOpenFn>(kDriverLibrary, "FT_Open", index, handle);
}
FtStatus Close(FtHandle handle) {
  return pf::CallLibraryFunction<FtCloseFn>(kDriverLibrary, "FT_Close", handle);
}
FtStatus SetBaudRate(FtHandle handle, uint32_t baud) {
  return pf::CallLibraryFunction<FtSetBaudRateFn>(kDriverLibrary, "FT_SetBaudRate", handle, baud);
}
FtStatus SetDataCharacteristics(FtHandle handle, uint8_t bits, uint8_t stop, uint8_t parity) {
  return pf::CallLibraryFunction<FtSetDataCharacteristicsFn>(kDriverLibrary, "FT_SetDataCharacteristics",
                                                             handle, bits, stop, parity);
}
FtStatus SetFlowControl(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff) {
  return pf::CallLibraryFunction<FtSetFlowControlFn>(kDriverLibrary, "FT_SetFlowControl", handle, flow, xon,
                                                     xoff);
}
FtStatus SetUSBParameters(FtHandle handle, uint32_t in, uint32_t out) {
  return pf::CallLibraryFunction<FtSetUSBParametersFn>(kDriverLibrary, "FT_SetUSBParameters", handle, in,
                                                       out);
}
FtStatus Write(FtHandle handle, void* buffer, uint32_t count, uint32_t* written) {
  return pf::CallLibraryFunction<FtWriteFn>(kDriverLibrary, "FT_Write", handle, buffer, count, written);
}
FtStatus Read(FtHandle handle, void* buffer, uint32_t count, uint32_t* read) {
  return pf::CallLibraryFunction<FtReadFn>(kDriverLibrary, "FT_Read", handle, buffer, count, read);
}
FtStatus GetStatus(FtHandle handle, uint32_t* rxbytes, uint32_t* txbytes, uint32_t* event) {
  return pf::CallLibraryFunction<FtGetStatusFn>(kDriverLibrary, "FT_GetStatus", handle, rxbytes, txbytes,
                                                event);
}
FtStatus ReadEE(FtHandle handle, uint32_t address, uint16_t* value) {
  return pf::CallLibraryFunction<FtReadEEFn>(kDriverLibrary, "FT_ReadEE", handle, address, value);
}
FtStatus WriteEE(FtHandle handle, uint32_t address, uint16_t value) {
  return pf::CallLibraryFunction<FtWriteEEFn>(kDriverLibrary, "FT_WriteEE", handle, address, value);
}

}  // namespace d2xx
