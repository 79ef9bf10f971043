// Everything the door sends, to the caller or to the local console, is held
// here and leaves in one write when the program next waits for a key,
// pauses, looks for a hang-up or ends (and whenever the buffer fills), so
// that a screen built from many small writes costs one system call and,
// over Telnet, one run of full packets instead of a packet per write.
//
// The bytes and their order are exactly those of writing at once: a change
// of destination (standard output after socket bytes, or the reverse) sends
// what is held first, and the Telnet escaping is done as bytes come in.
#pragma once

#include <string_view>

// Held for standard output.
void OutBufStdout(std::string_view bytes);
// Held for the session's socket, every byte 255 doubled (Telnet IAC).
void OutBufSocket(std::string_view bytes);
// Sends what is held. Async-signal-safe: it is the held-output sender of
// doorkit/platform.h, which a fatal signal's handler calls; there it sends
// nothing when the signal interrupted a send already under way.
void OutBufFlush();
// True while bytes are held.
bool OutBufPending();
// On (the default) output is held as above; off, every write is sent at
// once, as the test fake wants it, which shows each write as it is made.
void OutBufHold(bool on);
// Forgets what is held without sending it, and holds again (a fresh
// process's state).
void OutBufReset();
