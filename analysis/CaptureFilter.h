// The filter language of the capture list and of velmora-dump --filter:
// terms separated by blanks, all of which must hold.
//   FIELD=V[,V...]  the field has any of the values; a number may be a
//                   range A-B. Fields: name, dir (in, out), link, opc, dpc,
//                   pc (OPC or DPC), sls, si, cic
//   !TERM           the term does not hold
//   WORD, "WORDS"   a text of the row (name, link, routing label, CIC,
//                   time, date, error) contains it, letter case ignored
// Examples: name=IAM   pc=1234 cic=5-9   !name=IAM,ACM,ANM,REL,RLC
#pragma once

#include "core/Exception.h"
#include "presentation/CaptureItems.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A filter expression that does not parse: where (0-based offset into the
// expression) and why. The message names the column (counting from 1).
class EFilterError : public Exception {
public:
    EFilterError(size_t Position, const std::string& Reason);
    size_t Position;
    std::string Reason;
};

class TCaptureFilter {
public:
    // The filter that keeps everything.
    TCaptureFilter();
    ~TCaptureFilter();
    TCaptureFilter(const TCaptureFilter&);
    TCaptureFilter& operator=(const TCaptureFilter&);
    TCaptureFilter(TCaptureFilter&&) noexcept;
    TCaptureFilter& operator=(TCaptureFilter&&) noexcept;

    // Parses an expression; a blank one keeps everything. Raises
    // EFilterError.
    static TCaptureFilter Parse(std::string_view Expression);

    // True when the filter has no term and keeps everything.
    bool Empty() const;
    const std::string& Expression() const { return FExpression; }

    // Whether a capture, whose summary's texts are in Texts, is kept. The
    // texts of the pool are matched once each and remembered, so a filter
    // should be used with one pool (another pool starts the memory again).
    bool Matches(const TCaptureItem& Item, const TTextPool& Texts) const;

    struct TTerm;

private:
    void Prepare(const TTextPool& Texts) const;

    std::string FExpression;
    std::vector<TTerm> FTerms;
    mutable const TTextPool* FPool = nullptr;
};
