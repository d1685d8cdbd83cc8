// The error of reading or writing a capture file of other tools (pcap,
// pcapng): its text names the file, and the packet where there is one.
#pragma once

#include "core/Exception.h"

class EPcapError : public Exception {
public:
    using Exception::Exception;
};
