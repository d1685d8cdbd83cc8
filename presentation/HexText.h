// Octets as the hex text the window and the tools show them.
#pragma once

#include <string>
#include <string_view>

// "AA BB CC ": two upper-case hex digits and a blank per octet, the last
// one too; the form of the status line, the clipboard and capture files.
void AppendSpacedHex(std::string_view Octets, std::string& Text);
std::string SpacedHex(std::string_view Octets);
// "AA BB CC": the same without the blank after the last pair.
void AppendHexWords(std::string_view Octets, std::string& Text);
std::string HexWords(std::string_view Octets);
