#include "link/SendBuffers.h"

#include "link/HidAdapter.h"
#include "platform/MessageLog.h"

namespace padscope {

namespace {

bool ValidIndex(int index) {
  if (index < 0 || index >= kSendBufferCount) {
    AddMessageLog("set buf index overflow.");
    return false;
  }
  return true;
}

}  // namespace

void ClearSendBuffer(SendBuffers& buffers, int index) {
  if (ValidIndex(index)) {
    buffers.bytes[static_cast<size_t>(index)].fill(0);
  }
}

void SetSendByte(SendBuffers& buffers, int index, int offset, int value) {
  if (!ValidIndex(index)) {
    return;
  }
  if (offset < 0 || offset >= kSendBufferSize) {
    AddMessageLog("set buf offset overflow.");
    return;
  }
  buffers.bytes[static_cast<size_t>(index)][static_cast<size_t>(offset)] =
      static_cast<uint8_t>(value & 0xFF);
}

bool SendBuffer(HidAdapter* adapter, const SendBuffers& buffers, uint8_t opcode, int index) {
  AddMessageLog("\tfunction call:[usbSend]:");
  if (adapter == nullptr) {
    return false;
  }
  if (!adapter->IsConnected()) {
    AddMessageLog("no found device:");
    if (!adapter->Connect()) {
      AddMessageLog("not found device:");
      return false;
    }
    AddMessageLog("found device:");
  }
  if (!ValidIndex(index)) {
    return false;
  }
  AddMessageLog("try to send 2 USB:");
  return adapter->SendWithData(opcode, buffers.bytes[static_cast<size_t>(index)].data(),
                               kSendBufferPayload);
}

}  // namespace padscope
