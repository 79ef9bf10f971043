// The socket transport of a door session: an inherited, connected Telnet
// socket handle. Used only in socket mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void CommOpen(int32_t handle);
bool CommCarrier();
// Receives once (without waiting) when nothing is buffered.
bool CommCharAvail();
char CommPeekChar();
char CommReadChar();
int32_t CommHandle();
// Doubles every byte 255 (Telnet IAC) before sending.
void CommWrite(const std::string& text);
void CommWriteRaw(const std::string& text);
void CommWriteBlock(const char* buffer, size_t length);
void CommClose(bool disconnect);
void CommFlushOutBuffer();
void CommPurgeOutBuffer();
void CommSetBaud(int32_t baud);
