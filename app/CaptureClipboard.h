// The clipboard forms of a copied message. Copy puts the message as spaced
// hex text, which other tools and the paste rule read, and also the exact
// octets under a type of our own: pasting those gives back the very message
// copied, even one whose first octet the text rule would read as a
// direction (SIO 00, 01 or 02: network management and link tests).
#pragma once

#include "core/Stamp.h"

#include <QString>

#include <string>
#include <string_view>

class QMimeData;

// The clipboard type of the copied message's octets.
extern const QString CopiedMessageMimeType;

// The clipboard content of a copy: DumpText as text and, when Message is
// not empty, its octets. The caller hands it to the clipboard.
QMimeData* CopiedMessageData(std::string_view Message, const std::string& DumpText);

// The record that pasting Data at Now creates, empty when it gives no
// octets. Octets of our own type are taken as a bare message when the text
// beside them is still their hex; any other text follows the paste rule.
// Raises EConvertError for a word that is not hex.
std::string PastedRecord(const QMimeData* Data, const TSystemTime& Now);
