// velmora-dump: the headless decoder. Reads level-4 messages as hex lines,
// capture records (.ss7) or the packets of a pcap or pcapng file, decodes
// them against the ISUP definitions of CFG/, and prints, for each one, the
// texts the capture list shows (as aligned columns, tab-separated columns or
// JSON Lines) and optionally the decoded view's lines; or writes the
// captures as a pcap file. --filter, --calls and --stats (DumpAnalysis.h)
// keep some of the messages, or print their calls and counts instead.
#include "tools/velmora-dump/DumpAnalysis.h"
#include "tools/velmora-dump/DumpFormat.h"
#include "tools/velmora-dump/DumpPipeline.h"

#include "catalog/Definitions.h"
#include "core/Convert.h"
#include "core/Exception.h"
#include "core/Locations.h"
#include "core/StringList.h"
#include "core/Words.h"
#include "pcapio/PcapReader.h"
#include "pcapio/PcapWriter.h"
#include "presentation/CaptureRecord.h"
#include "presentation/DecodedView.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The help; @...@ stands for a text of the window, filled in by HelpText.
constexpr const char* HelpTemplate = R"HELP(Usage: velmora-dump [OPTION]... [FILE]
Decodes SS7 level-4 messages as the Velmora monitor does and prints one line
per message. FILE is a capture file (.ss7), a file of hex messages, or a
pcap or pcapng file; without FILE, or with "-", standard input is read.

Input, one item per line (CR, LF or CR LF line ends; lines that start with
'#' are skipped, and so are blank lines of a record file, while a blank hex
line is an empty message; octets are hex numbers of up to eight digits,
their low octet kept, separated by blanks, tabs or any of , . : ; / \ ( ) [ ]
{ } " ' `):
  --records   each line is a capture record: 16-octet stamp (eight 16-bit
              little-endian words: year, month, day of week, day, hour,
              minute, second, milliseconds), direction (1 IN, 2 OUT),
              link, then the level-4 message; the layout of .ss7 files
  --hex       each line is a bare level-4 message: SIO, routing label, user
              part
  Without either option, a FILE whose name ends in .ss7 (any letter case) is
  read as records, anything else as hex messages.
  A named FILE that begins as a pcap or pcapng file does (whatever its name,
  and whatever the options above say) is read as one, through libpcap: its
  level-4 messages are records whose stamp is the packet time in local time.
  Link types MTP2 (139 with pseudo-header, 140), MTP3 (141), Ethernet (1,
  with 802.1Q tags), Linux cooked (113, 276), raw IP (101, 228, 229) and
  loopback (0, 108) are read; over IP, every SCTP DATA chunk whose payload
  protocol is M3UA (3) or M2PA (5), or, when it is 0, that uses port 2905
  (M3UA) or 3565 (M2PA). M3UA DATA gives its Protocol Data as a message
  with an ITU routing label: a point code wider than 14 bits cannot be
  shown in one, so such a message is left out, counted, and the first one
  reported with its packet number. MTP2 fill-in and link status units and
  packets without SS7 are counted, not shown. The counts go to standard
  error at the end, and so do malformed packets, each with its number.
  Direction and link of a pcap's messages:
    link       the order in which each SCTP association (a pair of address
               and port endpoints, either way round) first delivers a
               message: 0 for the first, 1 for the next, on modulo 256; the
               link number of MTP2 with pseudo-header (139); 0 for the other
               MTP2 and MTP3 captures
    direction  IN (1), except OUT (2) for MTP2 with pseudo-header whose
               "sent" flag is set; with --own-pc, OUT for the messages from
               the point codes named and IN for all others, whatever the
               link type
  --own-pc PC[,PC...]
              your own point codes (decimal, 0-16383; or hex as 0x3FFF):
              the messages of a pcap whose OPC is one of them are OUT

Definitions:
  --cfg DIR   read the ISUP definitions (Parameters.ini, Messages.ini,
              L2-L3.ini and the parameter description files) from DIR
              instead of the CFG folder beside the program or, when there
              is none, ../share/velmora/CFG from the program's folder (an
              installed copy)

Output:
  (default)   aligned columns, separated by at least two blanks
  --tsv       the same columns separated by single tabs, empty cells kept
  --json      one JSON object per message (JSON Lines)
  --header    first print a line naming the columns (aligned and tab forms)
  -v, --verbose
              under each message, the lines of the decoded view, indented
              by eight blanks and two more per level: for an ISUP message
              the message ("Name, Caption"), each present parameter ("Name,
              Caption") and each selected field of it ("Name = value", a
              BIT field's value being True or False); "@TestPattern@" and
              the octets from the length octet on for a link test message;
              "@MessageDump@" and the octets after the routing label for
              any other message; nothing for a stop entry. Message lines
              never start with eight blanks, so scripts can tell them apart
  -w, --write OUT
              write the input's captures to OUT as a pcap file (link type
              139, MTP2 with pseudo-header: the "sent" flag set for OUT, the
              link number the capture's link, the packet time the stamp read
              as local time) instead of printing them; "-" is standard
              output. Stop entries are not messages: they are left out, and
              standard error says how many. Bare hex messages have no stamp:
              they are written with the time 1970-01-01 00:00:00 UTC, IN
  -h, --help  show this text

@AnalysisHelp@

Speed:
  -j N, --jobs N
              decode on N threads (default: one per core this process may
              run on); the output is the same, in input order, for any N

Columns of records:  LINE TIME DATE IN OUT LINK "ROUTING LABEL" CIC DETAIL ERROR
Columns of messages: LINE NAME "ROUTING LABEL" CIC DETAIL ERROR
Columns of a pcap:   PACKET TIME DATE IN OUT LINK "ROUTING LABEL" CIC DETAIL ERROR
  LINE           the input line number, counting from 1
  PACKET         the number of the packet that carried the message, counting
                 from 1 (one packet may carry several messages)
  TIME, DATE     the stamp as H:MM:SS.mmm and D.M.YYYY
  IN, OUT        the message name under IN when received (direction 1),
                 under OUT when sent (2), under both for any other code;
                 "@Stop@" under IN for a stop entry (first message octet FF);
                 "@Failed@" when the message does not decode
  NAME           the message name, "@Stop@" or "@Failed@" as above
  LINK           the link number (empty for a stop entry)
  ROUTING LABEL  OPC => DPC, sls=SLS, in decimal
  CIC            the circuit identification code of an ISUP message
  DETAIL         MTP management: name and information field, e.g.
                 "TFP (Destination=5)"; link test: name and test pattern,
                 e.g. "SLTM (Pattern=AA BB CC)"; ISUP: name and caption,
                 e.g. "IAM, Initial address"
  ERROR          the decoder's message when the message does not decode,
                 e.g. "Unknown Subsystem Code: 0x03"

JSON members, in this order, each only where it applies:
  line (number; packet, the packet number, for a pcap), stamp (ISO 8601
  local time, records), direction (the code,
  records), link (records, not for a stop entry), si, opc, dpc, sls (from the
  SIO and routing label, also when decoding failed), name, caption (the
  decoded view's caption: "@MtpCaption@", "@LinkTestCaption@",
  "@StopCaption@", the ISUP message's caption, or the error), cic (ISUP),
  description (MTP), pattern (link test, hex), error (when decoding failed),
  octets (the message as hex), parameters (ISUP: the present parameters in
  message order, each {"name", "caption", "code", "mandatory" (true/false),
  "hex" (its value octets), "fields"}; fields lists every field of the
  parameter's layout as {"name", "kind" (INTEGER, ENUM, BIT, DIGITS or
  APPENDIX), "bit" and "length" (INTEGER, ENUM and BIT only), "octets" and
  "order" (LsbFirst or MsbFirst; only for a whole value read from two or
  more octets), "value" (the field's integer), "text" (its text in the
  decoded view)}).
  Hex values are upper-case pairs separated by single blanks. Strings escape
  quotes, backslashes, control characters and every octet from 0x7F up as
  \u00XX (texts are single-byte code page text).

Exit status: 0 when the input was read to its end (messages that do not
decode are part of the output; lines that are not hex, records shorter
than 18 octets, and malformed packets are reported on standard error with
their line or packet number and skipped); 1 when the input or the
definitions cannot be read, or the output file cannot be written (a pcap
that ends inside a packet: its messages before are printed first); 2 for a
wrong command line. Without the default CFG folder, ISUP messages do not decode
and a note says so on standard error.
)HELP";

std::string HelpText()
{
    const std::pair<std::string_view, std::string_view> Texts[] = {
        {"@TestPattern@", TestPatternPrefix},
        {"@MessageDump@", MessageDumpPrefix},
        {"@Stop@", StopEntryName},
        {"@Failed@", FailedName},
        {"@MtpCaption@", MtpCaption},
        {"@LinkTestCaption@", LinkTestCaption},
        {"@StopCaption@", StopEntryCaption},
        {"@AnalysisHelp@", AnalysisHelp},
    };
    std::string Help = HelpTemplate;
    for (const auto& [Key, Text] : Texts)
        for (size_t At = Help.find(Key); At != std::string::npos; At = Help.find(Key, At + Text.size()))
            Help.replace(At, Key.size(), Text);
    return Help;
}

enum class TInputMode { Auto, Records, Hex };
enum class TOutputMode { Aligned, Tabs, Json };

struct TOptions {
    TInputMode Input = TInputMode::Auto;
    TOutputMode Output = TOutputMode::Aligned;
    bool Header = false;
    bool Verbose = false;
    TAnalysisOptions Analysis;
    // Decoding threads; 0: one per core.
    int Jobs = 0;
    // The definitions folder named on the command line; empty: the program's
    // own.
    std::string CfgFolder;
    std::string FileName;
    // The user's own point codes, for the direction of a pcap's messages.
    std::vector<uint16_t> OwnPointCodes;
    // -w: the pcap file to write; empty: print.
    std::string WriteName;
};

// "2061,0x20" into point codes; false when a code is no number of 14 bits.
bool ParsePointCodes(std::string_view Text, std::vector<uint16_t>& Codes)
{
    Codes.clear();
    while (true) {
        const size_t Comma = Text.find(',');
        const std::optional<int32_t> Code = TryStrToInt(Text.substr(0, Comma));
        if (!Code || *Code < 0 || *Code > 0x3FFF)
            return false;
        Codes.push_back(static_cast<uint16_t>(*Code));
        if (Comma == std::string_view::npos)
            return true;
        Text.remove_prefix(Comma + 1);
    }
}

bool EndsWithSs7(std::string_view Name)
{
    return Name.size() >= 4 && SameText(Name.substr(Name.size() - 4), ".ss7");
}

int UsageError(const std::string& Text)
{
    std::fprintf(stderr, "velmora-dump: %s\nTry 'velmora-dump --help'.\n", Text.c_str());
    return 2;
}

// A count of jobs: a whole number from 1 to 256.
bool ParseJobs(std::string_view Text, int& Jobs)
{
    int Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error != std::errc() || End != Text.data() + Text.size() || Value < 1 || Value > 256)
        return false;
    Jobs = Value;
    return true;
}

// Loads the ISUP definitions from Folder, or from the program's own
// definitions folder (core/Locations.h) when Folder is empty, into Definitions. A named folder that does not
// exist, or definitions that do not load, are errors; a missing default
// folder only means that ISUP messages will not decode.
bool LoadIsupDefinitions(std::string Folder, TDefinitions& Definitions)
{
    const bool Named = !Folder.empty();
    if (!Named)
        Folder = DefinitionsFolder();
    else if (Folder.back() != '/')
        Folder.push_back('/');
    std::error_code Error;
    if (!std::filesystem::is_directory(Folder, Error)) {
        if (Named) {
            std::fprintf(stderr, "velmora-dump: definitions folder '%s' does not exist\n", Folder.c_str());
            return false;
        }
        std::fprintf(stderr, "velmora-dump: no definitions folder '%s'; ISUP messages will not decode\n",
                     Folder.c_str());
        return true;
    }
    try {
        Definitions = LoadDefinitions(Folder);
    } catch (const std::exception& Failure) {
        std::fprintf(stderr, "velmora-dump: cannot load the definitions from '%s': %s\n", Folder.c_str(),
                     Failure.what());
        return false;
    }
    return true;
}

void PrintNote(const std::string& Text)
{
    std::fprintf(stderr, "velmora-dump: %s\n", Text.c_str());
}

// Closes the pcap written (-w), its summary on standard error; false when
// it could not be written.
bool ClosePcap(TPcapWriter& Writer)
{
    try {
        Writer.Close();
    } catch (const Exception& Error) {
        PrintNote(Error.what());
        return false;
    }
    PrintNote(Writer.Summary());
    return true;
}

// Copies the records of Source into a pcap file (-w): nothing is decoded.
// False when the file could not be written.
bool WritePcap(TRecordSource& Source, TPcapWriter& Writer)
{
    TInputBlock Block;
    for (;;) {
        Block.Clear();
        if (!Source.Read(Block))
            break;
        Source.Parse(Block);
        if (!Block.Notes.empty())
            std::fwrite(Block.Notes.data(), 1, Block.Notes.size(), stderr);
        for (const TInputRecord& Record : Block.Records) {
            const std::string_view Bytes(Block.Octets.data() + Record.Offset, Record.Size);
            const TCaptureItem Item =
                Record.IsRecord ? TCaptureItem::OverRecord(Bytes) : TCaptureItem::OverMessage(Bytes);
            Writer.Write(Item.Stamp, Item.Direction, Item.Link, Item.OctetBytes());
        }
    }
    return ClosePcap(Writer);
}

} // namespace

int main(int argc, char** argv)
{
    TOptions Options;
    bool FileGiven = false;
    for (int I = 1; I < argc; ++I) {
        const std::string_view Arg = argv[I];
        if (Arg == "-h" || Arg == "--help") {
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        }
        if (Arg == "--records")
            Options.Input = TInputMode::Records;
        else if (Arg == "--hex")
            Options.Input = TInputMode::Hex;
        else if (Arg == "--tsv")
            Options.Output = TOutputMode::Tabs;
        else if (Arg == "--json")
            Options.Output = TOutputMode::Json;
        else if (Arg == "--header")
            Options.Header = true;
        else if (Arg == "-v" || Arg == "--verbose")
            Options.Verbose = true;
        else if (std::string Error;
                 TakeAnalysisOption(argc, argv, I, Options.Analysis, Error) != TAnalysisOption::NotOne) {
            if (!Error.empty())
                return UsageError(Error);
        } else if (Arg == "-j" || Arg == "--jobs") {
            if (I + 1 >= argc || !ParseJobs(argv[I + 1], Options.Jobs))
                return UsageError(std::string(Arg) + " needs a number of jobs from 1 to 256");
            ++I;
        } else if (Arg.size() > 2 && Arg.substr(0, 2) == "-j") {
            if (!ParseJobs(Arg.substr(2), Options.Jobs))
                return UsageError("-j needs a number of jobs from 1 to 256");
        } else if (Arg == "--cfg") {
            if (I + 1 >= argc || argv[I + 1][0] == '\0')
                return UsageError("--cfg needs a folder");
            Options.CfgFolder = argv[++I];
        } else if (Arg == "--own-pc") {
            if (I + 1 >= argc || !ParsePointCodes(argv[I + 1], Options.OwnPointCodes))
                return UsageError("--own-pc needs point codes from 0 to 16383, separated by commas");
            ++I;
        } else if (Arg == "-w" || Arg == "--write") {
            if (I + 1 >= argc || argv[I + 1][0] == '\0')
                return UsageError(std::string(Arg) + " needs a file name");
            Options.WriteName = argv[++I];
        } else if (Arg.size() > 1 && Arg[0] == '-')
            return UsageError("unknown option '" + std::string(Arg) + "'");
        else if (FileGiven)
            return UsageError("only one input file may be named");
        else {
            Options.FileName = Arg;
            FileGiven = true;
        }
    }

    Options.Analysis.Json = Options.Output == TOutputMode::Json;
    Options.Analysis.Header = Options.Header;
    Options.Analysis.Style = Options.Output == TOutputMode::Tabs ? TTextStyle::Tabs : TTextStyle::Aligned;
    const bool Reports = Options.Analysis.Calls || Options.Analysis.Stats;
    if (Reports && Options.WriteName == "-")
        return UsageError("-w - cannot be combined with --calls or --stats: both write to standard output");
    // Writing a pcap decodes nothing, unless a filter, the calls or the
    // counts want the messages.
    TDefinitions Definitions;
    if ((Options.WriteName.empty() || Reports || !Options.Analysis.Filter.Empty()) &&
        !LoadIsupDefinitions(Options.CfgFolder, Definitions))
        return 1;

    const bool FromStdin = Options.FileName.empty() || Options.FileName == "-";
    std::unique_ptr<TPcapWriter> Writer;
    if (!Options.WriteName.empty()) {
        try {
            Writer = std::make_unique<TPcapWriter>(Options.WriteName);
        } catch (const Exception& Error) {
            PrintNote(Error.what());
            return 1;
        }
    }

    // The input: a pcap or pcapng file, or lines of hex or capture records.
    const bool Pcap = !FromStdin && IsPcapFile(Options.FileName);
    const bool Records = Pcap || Options.Input == TInputMode::Records ||
        (Options.Input == TInputMode::Auto && !FromStdin && EndsWithSs7(Options.FileName));
    const std::string Source = FromStdin ? std::string("<stdin>") : Options.FileName;
    std::unique_ptr<TPcapReader> PcapReader;
    std::unique_ptr<TRecordSource> Input;
    std::FILE* File = nullptr;
    if (Pcap) {
        try {
            PcapReader = std::make_unique<TPcapReader>(Options.FileName, TPcapOptions{Options.OwnPointCodes});
        } catch (const Exception& Error) {
            PrintNote(Error.what());
            return 1;
        }
        Input = std::make_unique<TPcapSource>(*PcapReader);
    } else {
        File = FromStdin ? stdin : std::fopen(Options.FileName.c_str(), "rb");
        if (!File) {
            std::fprintf(stderr, "velmora-dump: cannot open '%s': %s\n", Source.c_str(), std::strerror(errno));
            return 1;
        }
        Input = std::make_unique<TLineSource>(File, Records, Source);
    }

    bool Written = true;
    int WriteError = 0;
    TDumpAnalysis Analysis(Options.Analysis);
    if (Writer && !Analysis.Decodes()) {
        Written = WritePcap(*Input, *Writer);
    } else {
        const TPrintForm Form = Options.Output == TOutputMode::Json ? TPrintForm::Json
            : Options.Output == TOutputMode::Tabs                   ? TPrintForm::Tabs
                                                                    : TPrintForm::Aligned;
        TFileSink Sink(STDOUT_FILENO);
        if (!Writer && !Analysis.TakesLines() && Options.Header && Options.Output != TOutputMode::Json) {
            std::string Header;
            AppendHeader(Records, Form == TPrintForm::Tabs ? TTextStyle::Tabs : TTextStyle::Aligned, Pcap, Header);
            Header.push_back('\n');
            Written = Sink.Write(Header);
        }
        // Printed, or written to the pcap, behind the filter and the calls
        // and counts.
        const TConsumerFactory Base = Writer
            ? TConsumerFactory([] { return std::make_unique<TRecordCollector>(); })
            : TConsumerFactory([&] { return std::make_unique<TRecordPrinter>(Form, Options.Verbose); });
        std::unique_ptr<TPcapWriteSink> PcapSink = Writer ? std::make_unique<TPcapWriteSink>(*Writer) : nullptr;
        if (Written)
            Written = RunPipeline(*Input, *Definitions.StaticPackets, Analysis.Consumers(Base, Writer != nullptr),
                                  Analysis.Jobs(Options.Jobs > 0 ? Options.Jobs : AvailableCores()),
                                  PcapSink ? static_cast<TBlockSink&>(*PcapSink) : Sink);
        if (Written && Analysis.TakesLines())
            Written = Sink.Write(Analysis.Report());
        WriteError = Sink.Error();
        if (Writer)
            Written = ClosePcap(*Writer) && Written;
    }

    if (File && !FromStdin)
        std::fclose(File);
    if (Input->Error() != 0) {
        std::fprintf(stderr, "velmora-dump: cannot read '%s': %s\n", Source.c_str(), std::strerror(Input->Error()));
        return 1;
    }
    if (PcapReader)
        PrintNote(PcapReader->Summary());
    if (!Written) {
        if (WriteError != 0)
            std::fprintf(stderr, "velmora-dump: cannot write the output: %s\n", std::strerror(WriteError));
        return 1;
    }
    return Pcap && static_cast<const TPcapSource&>(*Input).Failed() ? 1 : 0;
}
