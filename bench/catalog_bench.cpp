// Start-up cost of loading a full definition set: 300 parameter description
// files with enumerated, integer, flag and digit fields, and 200 message
// types with a dozen parameters each.
#include "catalog/Definitions.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int ParameterCount = 300;
constexpr int MessageCount = 200;

std::string ParameterName(int I)
{
    return "Param" + std::to_string(I);
}

void WriteDescription(const fs::path& File, int I)
{
    std::ofstream Out(File, std::ios::binary);
    const char* Types[] = {"Fixed", "Variable", "Number"};
    const int Type = I % 3;
    Out << "[General]\r\nCaption=Parameter number " << I << "\r\nType=" << Types[Type] << "\r\nSize=3\r\n";
    if (Type == 2)
        Out << "[.ODD]\r\nBit=7\r\n";
    for (int F = 0; F < 3; ++F) {
        Out << "[.Indicator" << F << "]\r\nType=Enum\r\nBit=" << 8 + F * 4 << "\r\nLength=4\r\nDefault=Value 1\r\n";
        for (int L = 0; L < 12; ++L)
            Out << L << "=Value " << L << "\r\n";
    }
    Out << "[.Counter]\r\nType=Integer\r\nBit=0\r\nLength=6\r\nDefault=3\r\n";
    Out << "[.Flag]\r\nType=Bit\r\nBit=6\r\nDefault=True\r\n";
    Out << (Type == 2 ? "[.Digits]\r\nType=Digits\r\nDefault=0123456789\r\n" : "[.Rest]\r\nType=Appendix\r\n");
}

// Writes the definition set once per process and returns its folder.
const std::string& DefinitionFolder()
{
    static const std::string Folder = [] {
        const fs::path Root = fs::temp_directory_path() / "velmora-catalog-bench";
        fs::remove_all(Root);
        fs::create_directories(Root / "Params");
        std::ofstream Parameters(Root / "Parameters.ini", std::ios::binary);
        Parameters << "[General]\r\nFileName=Params\\%s.ini\r\n[Codes]\r\n";
        for (int I = 0; I < ParameterCount; ++I) {
            Parameters << ParameterName(I) << "=" << I % 256 << "\r\n";
            WriteDescription(Root / "Params" / (ParameterName(I) + ".ini"), I);
        }
        std::ofstream Messages(Root / "Messages.ini", std::ios::binary);
        Messages << "[Codes]\r\n";
        for (int M = 0; M < MessageCount; ++M)
            Messages << "Message" << M << "=" << M << "\r\n";
        for (int M = 0; M < MessageCount; ++M) {
            auto Name = [M](int K) { return ParameterName((M * 7 + K * 13) % ParameterCount); };
            Messages << "[Message" << M << "]\r\nCaption=Message type " << M << "\r\n";
            Messages << "F=" << Name(0) << "," << Name(1) << "\r\nV=" << Name(2) << " " << Name(3) << "\r\nO=";
            for (int K = 4; K < 12; ++K)
                Messages << Name(K) << (K < 11 ? "; " : "\r\n");
        }
        std::ofstream(Root / "L2-L3.ini", std::ios::binary)
            << "[SetConnection]\r\nL2Start=4\r\nInService=5\r\n[In]\r\n1=Alpha (5)\r\n[Out]\r\n2=Beta (6)\r\n";
        return Root.string() + "/";
    }();
    return Folder;
}

void BM_LoadDefinitions(benchmark::State& State)
{
    const std::string& Folder = DefinitionFolder();
    TDefinitions Definitions;
    for (auto _ : State) {
        Definitions = LoadDefinitions(Folder);
        benchmark::DoNotOptimize(Definitions.StaticPackets.get());
    }
    State.counters["parameters"] = static_cast<double>(Definitions.StaticParameters->Count());
    State.counters["messages"] = static_cast<double>(Definitions.StaticPackets->Count());
}
BENCHMARK(BM_LoadDefinitions)->Unit(benchmark::kMillisecond);

void BM_NewMessage(benchmark::State& State)
{
    const TDefinitions Definitions = LoadDefinitions(DefinitionFolder());
    uint8_t Type = 0;
    for (auto _ : State) {
        auto Copy = Definitions.StaticPackets->NewMessage(static_cast<uint8_t>(Type++ % MessageCount));
        benchmark::DoNotOptimize(Copy.get());
    }
}
BENCHMARK(BM_NewMessage);

} // namespace
