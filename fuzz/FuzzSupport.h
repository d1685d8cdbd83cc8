// What the fuzz targets share: cutting the fuzzer's bytes into pieces, a
// scratch folder for targets that must go through files, the shipped
// definitions, a walk that asks a decoded message for every text and encodes
// it again, and one that shows a capture as the window and velmora-dump do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TCaptureItem;
class TCustomPacketL4;
class TIsupCatalog;
class TTextPool;

// Reports a check that failed and aborts, which libFuzzer takes as a
// finding.
[[noreturn]] void FuzzFail(const char* What, std::string_view Detail = {});

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

// The message catalog of the project's CFG folder, loaded on first use.
const TIsupCatalog& ShippedCatalog();

// Fails unless Text is one JSON value of printable ASCII.
void CheckJson(std::string_view Text);

// Shows a capture as the window and velmora-dump show it: its list row
// (every column, decoded into Texts), the decoded view with every node's
// status text, and velmora-dump's aligned and tab lines, its tree and its
// JSON line, which must parse. IsRecord: the item came from a capture record
// rather than a bare message. Returns the caption and the tree's lines.
std::string ShowCapture(const TCaptureItem& Item, bool IsRecord, const TIsupCatalog& Catalog, TTextPool& Texts);
