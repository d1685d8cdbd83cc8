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

// Everything the definition files describe. The program loads it once at
// start-up and hands it to what decodes with it; after loading only the
// Checked marks of the prototypes, parameters and fields change. Moving the
// definitions keeps the two catalogs where they are, so pointers to them
// stay valid.
struct TDefinitions {
    TDefinitions();
    TDefinitions(TDefinitions&&) noexcept;
    TDefinitions& operator=(TDefinitions&&) noexcept;
    ~TDefinitions();

    // The parameter layouts and the message prototypes; empty catalogs in
    // definitions that were not loaded.
    std::unique_ptr<TStaticParameters> StaticParameters;
    std::unique_ptr<TStaticPackets> StaticPackets;
    // Every key=value line of [AutoAnswer] in Messages.ini.
    TNewStringList AutoAnswerList;
    // L2-L3.ini: [SetConnection] L2Start and InService, [InMSU] and [OutMSU]
    // Code, each cut to 8 bits, and the [In] and [Out] registrations.
    uint8_t L2StartCode = 4;
    uint8_t InServiceCode = 5;
    TRegMessagesL2 InRegMessages;
    TRegMessagesL2 OutRegMessages;
    uint8_t InMsuCode = 2;
    uint8_t OutMsuCode = 2;
};

// Loads Parameters.ini with the description files, Messages.ini and
// L2-L3.ini from Folder (which ends with a separator; "\" and "/" both
// count). Missing files read as empty, so a missing folder gives empty
// catalogs and the default codes. An error propagates and nothing of the
// load is kept: the conversion error of a non-integer code or default, the
// format errors of the description-file pattern, "Bit number missing
// (...)", or EStaticPacketLoadError "Invalid message code (%s) in file %s.".
TDefinitions LoadDefinitions(const std::string& Folder);
