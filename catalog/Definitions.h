// The definitions loaded at start-up from the CFG folder: the parameter
// catalog, the message catalog, the auto-answer list and the level-2/level-3
// registration codes, and the one call that loads them all.
#pragma once

#include "catalog/StaticPackets.h"
#include "catalog/StaticParameters.h"
#include "core/Exception.h"
#include "core/StringList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A malformed level-2 registration code in L2-L3.ini.
class EStaticPacketLoadError : public Exception {
public:
    using Exception::Exception;
};

// One level-2 message registration: a line Code=Name (Value) of [In] or
// [Out] in L2-L3.ini.
struct TRegMessageL2 {
    uint8_t Code = 0;
    // First word of the value, kept with any blank before the bracket.
    std::string Name;
    // Second word as an integer, 0 when missing or not an integer.
    uint8_t Value = 0;
};
using TRegMessagesL2 = std::vector<TRegMessageL2>;

// The catalogs; null until LoadDefinitions succeeds. After loading only the
// Checked marks of their prototypes, parameters and fields change.
extern std::unique_ptr<TStaticParameters> StaticParameters;
extern std::unique_ptr<TStaticPackets> StaticPackets;
// Every key=value line of [AutoAnswer] in Messages.ini.
extern TNewStringList AutoAnswerList;
// L2-L3.ini: [SetConnection] L2Start and InService, [InMSU] and [OutMSU]
// Code, each cut to 8 bits, and the [In] and [Out] registrations.
extern uint8_t L2StartCode;
extern uint8_t InServiceCode;
extern TRegMessagesL2 InRegMessages;
extern TRegMessagesL2 OutRegMessages;
extern uint8_t InMsuCode;
extern uint8_t OutMsuCode;

// Loads Parameters.ini with the description files, Messages.ini and
// L2-L3.ini from Folder (which ends with a separator; "\" and "/" both
// count) and installs the message catalog as the ISUP decoder's catalog.
// Missing files read as empty. Every global is replaced only when the whole
// load succeeds; on an error the previous definitions stay in place and the
// error propagates: the conversion error of a non-integer code or default,
// the format errors of the description-file pattern, "Bit number missing
// (...)", or EStaticPacketLoadError "Invalid message code (%s) in file %s.".
// May be called again to replace the definitions.
void LoadDefinitions(const std::string& Folder);

// Drops every definition (the globals return to their initial state) and
// leaves the ISUP decoder without a catalog.
void FreeDefinitions();
