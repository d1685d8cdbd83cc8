// What the fuzz targets share: cutting the fuzzer's bytes into pieces, a
// scratch folder for targets that must go through files, and a walk that
// asks a decoded message for every text and encodes it again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TCustomPacketL4;

// The input cut at each occurrence of Marker into at most Pieces pieces
// (the last one keeps any further markers).
std::vector<std::string_view> SplitInput(std::string_view Input, std::string_view Marker, size_t Pieces);

// A folder of this process under the temporary folder (TMPDIR), made on
// first use.
const std::string& ScratchFolder();
// Writes Text as the whole content of the file; aborts when it cannot.
void WriteWholeFile(const std::string& Path, std::string_view Text);

// Asks the message for every text the window and the tools show of it
// (name, summary, every parameter and field text) and writes it back to
// octets; returns those octets.
std::string WalkPacket(const TCustomPacketL4& Packet);

// Aborts when freed parameter blocks are handed out again at once: under
// AddressSanitizer the parameters' free list must be off, or a use after
// free goes unseen.
void CheckParameterBlocksAreNotRecycled();
