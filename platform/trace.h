#pragma once

// Diagnostic trace of the main program: printf-style lines of at most 1023 characters,
// each sent with its terminating NUL as one UDP datagram to 127.0.0.1 port 514 (any
// syslog-style listener shows them). Usable from any thread; lines never interleave.
// When no socket can be set up the trace is silently off. Nothing depends on it.

#include <cstdint>

namespace platform {

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Programs whose trace lines go nowhere switch it off; tests point it at another port.
void setTraceEnabled(bool enabled);
void setTracePort(std::uint16_t port);

} // namespace platform
