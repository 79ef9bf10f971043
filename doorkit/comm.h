// The socket transport of a door session: an inherited, connected Telnet
// socket handle. Used only in socket mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Takes the handle, switches it to blocking mode and announces binary
// transmission and server echo. A handle that is not an open socket gives
// no carrier and is left alone (never written to or closed).
void CommOpen(int32_t handle);
// False once the caller hung up, a receive or send failed, or the handle
// was closed; it never comes back.
bool CommCarrier();
// Receives once (without waiting) when nothing is buffered. Telnet commands
// from the client are dropped, IAC IAC is one byte 255, and every Enter (CR,
// CR LF, CR NUL, CR LF NUL, LF) is one CR, also when cut between two
// receives.
bool CommCharAvail();
// Receives once (without waiting) whatever has arrived, also when keys are
// buffered already; true when anything came (bytes, or the caller hanging
// up).
bool CommReceive();
char CommPeekChar();
char CommReadChar();
int32_t CommHandle();
// Doubles every byte 255 (Telnet IAC) before sending.
void CommWrite(const std::string& text);
void CommWriteRaw(const std::string& text);
// Sends every byte (a send error drops carrier; never raises SIGPIPE).
void CommWriteBlock(const char* buffer, size_t length);
void CommClose(bool disconnect);
// Forgets the handle and everything received, back to the state before the
// first CommOpen (the handle itself is left alone).
void CommReset();
void CommFlushOutBuffer();
void CommPurgeOutBuffer();
void CommSetBaud(int32_t baud);
