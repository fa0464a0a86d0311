#pragma once

#include <cstdint>

namespace padscope {

// Vendor and product ids of the two adapter models.
inline constexpr uint16_t kAdapterVendorId = 0x1130;
inline constexpr uint16_t kCorvexProductId = 0x5750;
inline constexpr uint16_t kPelmiraProductId = 0x6655;

// The two collections of an adapter.
inline constexpr uint16_t kCommandUsagePage = 0x0001;
inline constexpr uint16_t kCommandUsage = 0x0003;
inline constexpr uint16_t kDataUsagePage = 0xFFA0;
inline constexpr uint16_t kDataUsage = 0x0001;

// Every command header starts with these four bytes.
inline constexpr uint8_t kCommandSignature[4] = {0x55, 0x53, 0x42, 0x43};  // "USBC"

inline constexpr int kShortHeaderLength = 8;
inline constexpr int kLongHeaderLength = 64;
inline constexpr int kBlockLength = 64;
inline constexpr int kStreamPayloadLength = 64;
inline constexpr int kStatusLength = 64;

// Corvex commands (long header, opcode in byte 15).
inline constexpr uint8_t kOpStopStream = 0xD0;
inline constexpr uint8_t kOpStartStream = 0xD1;
inline constexpr uint8_t kOpWriteData = 0xD2;
inline constexpr uint8_t kOpReadData = 0xD3;
inline constexpr uint8_t kOpStartFlashDump = 0xD4;
inline constexpr uint8_t kOpEndFlashDump = 0xD6;
inline constexpr uint8_t kOpReadStatus = 0xD7;
inline constexpr uint8_t kOpEraseFlash = 0xE4;

// Pelmira commands (short or block header, opcode in byte 7).
inline constexpr uint8_t kOpReadStatusP = 0xF1;
inline constexpr uint8_t kOpStopStreamP = 0xF2;
inline constexpr uint8_t kOpStartStreamP = 0xF3;
inline constexpr uint8_t kOpWriteBlocks = 0xF4;
inline constexpr uint8_t kOpReadBlocks = 0xF5;
inline constexpr uint8_t kOpEraseFlashP = 0xFD;
inline constexpr uint8_t kOpEndFlashDumpP = 0xFE;
inline constexpr uint8_t kOpStartFlashDumpP = 0xFC;

// Commands for either model (short header).
inline constexpr uint8_t kOpSetRechargeAddress = 0xF6;
inline constexpr uint8_t kOpSendParameters = 0xF4;  // through send buffer 0
inline constexpr uint8_t kOpSendThreshold = 0xF7;   // through send buffer 2

// Status reply bytes.
inline constexpr int kStatusBusyByte = 0;
inline constexpr int kStatusSizeCodeByte = 1;
inline constexpr int kStatusReplayFinishedByte = 2;

// Send buffer indexes.
inline constexpr int kParameterBuffer = 0;
inline constexpr int kThresholdBuffer = 2;

}  // namespace padscope
