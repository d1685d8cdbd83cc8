// The capture record that pasting hex text creates. A text whose first
// octet is 0, 1 or 2 is a record body (direction, link, message); any other
// is a bare level-4 message, SIO first, as the copy commands produce it.
#pragma once

#include "core/Stamp.h"

#include <string>
#include <string_view>

// The record for ClipText pasted at Now: Now's stamp, then the octets as
// given for a record body, or 00 FF and the octets for a bare message. Empty
// when the text holds no octets. A word that is not hex raises
// EConvertError.
std::string PasteRecord(std::string_view ClipText, const TSystemTime& Now);
