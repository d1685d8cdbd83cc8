// A call mix for the benchmarks, made without velmora-gen: four
// neighbours, calls answered (with SAMs now and then), busy, reset, with
// link tests between; about seven messages per call, 7 ms apart.
#pragma once

#define CFG_DIR ""
#include "tests/analysis/analysis_test_support.h"

#include <string>
#include <vector>

namespace bench {

namespace at = analysis_test;

inline std::vector<TCaptureRecord> CallMix(size_t Count)
{
    std::vector<TCaptureRecord> Records;
    Records.reserve(Count);
    const uint32_t Us = 2061;
    const uint32_t Neighbours[] = {2062, 2300, 4011, 16001};
    int64_t Ms = 0;
    auto Add = [&](uint8_t Direction, const std::string& Message) {
        if (Records.size() < Count)
            Records.push_back({at::At(Ms), Direction, static_cast<uint8_t>(Ms % 9), Message});
        Ms += 7;
    };
    for (uint32_t Call = 0; Records.size() < Count; ++Call) {
        const uint32_t Them = Neighbours[Call % 4];
        const auto Cic = static_cast<uint16_t>(1 + Call % 1000);
        const std::string Called = "41" + std::to_string(1000000 + Call % 9000000);
        Add(cdOut, at::Iam(Us, Them, Cic, Called, "30" + std::to_string(200000 + Call % 700000)));
        if (Call % 4 == 0)
            Add(cdOut, at::Sam(Us, Them, Cic, "12"));
        switch (Call % 10) {
        case 0:
            Add(cdIn, at::Rel(Them, Us, Cic, 17, 4));
            break;
        case 1:
            Add(cdIn, at::Acm(Them, Us, Cic));
            Add(cdIn, at::Rsc(Them, Us, Cic));
            break;
        default:
            Add(cdIn, at::Acm(Them, Us, Cic));
            Add(cdIn, at::Cpg(Them, Us, Cic));
            Add(cdIn, at::Anm(Them, Us, Cic));
            Add(cdOut, at::Rel(Us, Them, Cic, 16, 0));
            break;
        }
        Add(Call % 2 ? cdIn : cdOut, at::Rlc(Call % 2 ? Them : Us, Call % 2 ? Us : Them, Cic));
        if (Call % 3 == 0)
            Add(cdIn, at::Sltm(Them, Us, static_cast<int>(Call % 16)));
    }
    return Records;
}

} // namespace bench
