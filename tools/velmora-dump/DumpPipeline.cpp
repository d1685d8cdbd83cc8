#include "tools/velmora-dump/DumpPipeline.h"

#include "core/Exception.h"
#include "core/Words.h"
#include "decode/PacketDecoder.h"
#include "pcapio/PcapReader.h"
#include "presentation/CaptureRecord.h"
#include "presentation/TextLines.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

void TInputBlock::Clear()
{
    Data = {};
    FirstNumber = 1;
    Records.clear();
    Octets.clear();
    Notes.clear();
    Out.clear();
}

char* TInputBlock::Reserve(size_t Size, size_t Keep)
{
    if (Size > StorageSize) {
        auto Larger = std::make_unique_for_overwrite<char[]>(Size);
        if (Keep > 0)
            std::memcpy(Larger.get(), Storage.get(), Keep);
        Storage = std::move(Larger);
        StorageSize = Size;
    }
    return Storage.get();
}

namespace {

// Comment lines starting with '#' are skipped, and so are lines without any
// octet in a record file. In hex input such a line is an empty message, which
// shows the decoder's error for a message without a SIO.
bool IsSkipped(std::string_view Line, bool Records)
{
    // The usual line starts with its first octet.
    if (!Line.empty() && std::isxdigit(static_cast<unsigned char>(Line[0])))
        return false;
    const size_t First = Line.find_first_not_of(" \t");
    if (First != std::string_view::npos && Line[First] == '#')
        return true;
    return Records && CountWords(Line, StandardDelimiters) == 0;
}

// The end of the last complete line of Text: the position after its line
// end; 0 when Text holds no complete line. A CR at the very end may be the
// first half of a CR LF and ends no line unless the input ends there.
size_t CompleteLines(std::string_view Text, bool Final)
{
    if (Final)
        return Text.size();
    size_t End = Text.size();
    if (End > 0 && Text[End - 1] == '\r')
        --End;
    const size_t Last = Text.find_last_of("\r\n", End == 0 ? 0 : End - 1);
    return End == 0 || Last == std::string_view::npos ? 0 : Last + 1;
}

void AddNote(std::string& Notes, const std::string& Source, int Line, std::string_view Text)
{
    Notes += "velmora-dump: ";
    Notes += Source;
    Notes.push_back(':');
    Notes += std::to_string(Line);
    Notes += ": ";
    Notes += Text;
    Notes.push_back('\n');
}

} // namespace

TLineSource::TLineSource(std::FILE* File, bool Records, std::string Source, size_t ReadSize)
    : FFile(File)
    , FRecords(Records)
    , FReadSize(std::max<size_t>(ReadSize, 1))
    , FSource(std::move(Source))
{
}

bool TLineSource::Read(TInputBlock& Block)
{
    size_t Used = FCarry.size();
    size_t Room = std::max(Used + FReadSize, Block.StorageSize);
    char* Storage = Block.Reserve(Room, 0);
    std::memcpy(Storage, FCarry.data(), Used);
    for (;;) {
        if (!FEnd) {
            if (Room - Used < FReadSize) {
                // A line longer than what was read so far.
                Room = 2 * Room;
                Storage = Block.Reserve(Room, Used);
            }
            const size_t Got = std::fread(Storage + Used, 1, FReadSize, FFile);
            Used += Got;
            if (Got < FReadSize) {
                FEnd = true;
                if (std::ferror(FFile))
                    FError = errno != 0 ? errno : EIO;
            }
        }
        const std::string_view Read(Storage, Used);
        const size_t Cut = CompleteLines(Read, FEnd);
        if (Cut == 0 && !FEnd)
            continue;
        FCarry.assign(Read.substr(Cut));
        Block.Data = Read.substr(0, Cut);
        if (Block.Data.empty())
            return false;
        Block.FirstNumber = FNextNumber;
        FNextNumber += static_cast<int>(TLineSplitter::Count(Block.Data));
        return true;
    }
}

void TLineSource::Parse(TInputBlock& Block) const
{
    TLineSplitter Lines(Block.Data);
    std::string_view Line;
    std::string Bytes;
    int Number = Block.FirstNumber - 1;
    while (Lines.Next(Line)) {
        ++Number;
        if (IsSkipped(Line, FRecords))
            continue;
        try {
            ParseCaptureLine(Line, Bytes);
        } catch (const Exception& Error) {
            AddNote(Block.Notes, FSource, Number, Error.what());
            continue;
        }
        if (FRecords && Bytes.size() < MinCaptureRecordSize) {
            AddNote(Block.Notes, FSource, Number,
                    "a record of " + std::to_string(Bytes.size()) + " octets is shorter than " +
                        std::to_string(MinCaptureRecordSize) + " octets");
            continue;
        }
        Block.Records.push_back(
            {Number, FRecords, false, static_cast<uint32_t>(Block.Octets.size()), static_cast<uint32_t>(Bytes.size())});
        Block.Octets += Bytes;
    }
}

TPcapSource::TPcapSource(TPcapReader& Reader, size_t BlockSize)
    : FReader(Reader)
    , FBlockSize(std::max<size_t>(BlockSize, 1))
{
}

void TPcapSource::TakeNotes(TInputBlock& Block)
{
    for (const std::string& Note : FReader.TakeNotes()) {
        Block.Notes += "velmora-dump: ";
        Block.Notes += Note;
        Block.Notes.push_back('\n');
    }
}

bool TPcapSource::Read(TInputBlock& Block)
{
    if (FEnd)
        return false;
    TPcapMessage Message;
    try {
        while (Block.Octets.size() < FBlockSize) {
            if (!FReader.Next(Message)) {
                FEnd = true;
                break;
            }
            const size_t Offset = Block.Octets.size();
            Message.AppendRecord(Block.Octets);
            Block.Records.push_back({static_cast<int>(Message.Packet), true, true, static_cast<uint32_t>(Offset),
                                     static_cast<uint32_t>(Block.Octets.size() - Offset)});
        }
    } catch (const Exception& Error) {
        TakeNotes(Block);
        Block.Notes += "velmora-dump: ";
        Block.Notes += Error.what();
        Block.Notes.push_back('\n');
        FEnd = true;
        FFailed = true;
    }
    TakeNotes(Block);
    // The block's raw input is its records.
    Block.Data = Block.Octets;
    return !Block.Records.empty() || !Block.Notes.empty();
}

bool TFileSink::Write(std::string_view Text)
{
    while (!Text.empty()) {
        const ssize_t Written = ::write(FFd, Text.data(), Text.size());
        if (Written < 0) {
            if (errno == EINTR)
                continue;
            FError = errno;
            return false;
        }
        Text.remove_prefix(static_cast<size_t>(Written));
    }
    return true;
}

bool TFileSink::Take(TInputBlock& Block)
{
    // The notes of a block's lines come before its output.
    if (!Block.Notes.empty())
        std::fwrite(Block.Notes.data(), 1, Block.Notes.size(), stderr);
    return Write(Block.Out);
}

void TRecordPrinter::Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block)
{
    std::string& Out = Block.Out;
    if (FForm == TPrintForm::Json) {
        AppendJson(Line, Texts, Out);
        Out.push_back('\n');
        return;
    }
    AppendText(Line, Texts, FForm == TPrintForm::Tabs ? TTextStyle::Tabs : TTextStyle::Aligned, Out);
    Out.push_back('\n');
    if (FVerbose)
        AppendTree(Line.Decoded, Out);
}

namespace {

// What a thread decodes with: its own decoder, text pool and consumer.
class TWorker {
public:
    TWorker(const TIsupCatalog& Catalog, std::unique_ptr<TRecordConsumer> Consumer)
        : FDecoder(Catalog)
        , FConsumer(std::move(Consumer))
    {
    }

    void Process(const TRecordSource& Source, TInputBlock& Block)
    {
        Source.Parse(Block);
        for (const TInputRecord& Record : Block.Records) {
            const std::string_view Bytes(Block.Octets.data() + Record.Offset, Record.Size);
            const TCaptureItem Item =
                Record.IsRecord ? TCaptureItem::OverRecord(Bytes) : TCaptureItem::OverMessage(Bytes);
            TDumpLine Line{Record.Number, Record.IsRecord, Item, TDecodedCapture(Item.OctetBytes(), FDecoder),
                           Record.FromPacket};
            Line.Item.Summary = SummarizeCapture(Line.Decoded, Item.Direction, FTexts);
            FConsumer->Consume(Line, FTexts, Block);
        }
    }

private:
    TPacketDecoder FDecoder;
    TTextPool FTexts;
    std::unique_ptr<TRecordConsumer> FConsumer;
};

bool RunOnOneThread(TRecordSource& Source, const TIsupCatalog& Catalog, const TConsumerFactory& MakeConsumer,
                    TBlockSink& Sink)
{
    TWorker Worker(Catalog, MakeConsumer());
    TInputBlock Block;
    for (;;) {
        Block.Clear();
        if (!Source.Read(Block))
            return true;
        Worker.Process(Source, Block);
        if (!Sink.Take(Block))
            return false;
    }
}

// Blocks in flight, each in a slot. Every worker does the whole round for
// the blocks it takes: reads the next block (one reader at a time, which
// numbers the blocks), processes it, and hands it to the sink. Blocks go to
// the sink in input order: whoever finds the next block to write ready
// writes it and every ready block after it, while the others go on reading
// and processing. No thread waits for another except for a free slot, and
// no thread is woken for each block: on a busy machine a thread may wait
// long for its turn on a core.
class TParallelRun {
public:
    TParallelRun(TRecordSource& Source, TBlockSink& Sink, int Jobs)
        : FSource(Source)
        , FSink(Sink)
        , FSlots(static_cast<size_t>(Jobs) * 4)
        , FReady(FSlots.size(), nullptr)
    {
        for (TSlot& Slot : FSlots)
            FFree.push_back(&Slot);
    }

    bool Run(const TIsupCatalog& Catalog, const TConsumerFactory& MakeConsumer, int Jobs)
    {
        std::vector<std::thread> Threads;
        for (int I = 0; I < Jobs; ++I)
            Threads.emplace_back([this, &Catalog, Consumer = MakeConsumer()]() mutable {
                TWorker Worker(Catalog, std::move(Consumer));
                Work(Worker);
            });
        for (std::thread& Thread : Threads)
            Thread.join();
        return !FFailed;
    }

private:
    struct TSlot {
        TInputBlock Block;
        uint64_t Number = 0;
    };

    void Work(TWorker& Worker)
    {
        for (;;) {
            TSlot* Slot = TakeSlot();
            if (!Slot)
                return;
            {
                const std::lock_guard Lock(FReadMutex);
                Slot->Block.Clear();
                if (FInputDone || !FSource.Read(Slot->Block)) {
                    FInputDone = true;
                    GiveBack(Slot);
                    return;
                }
                Slot->Number = FNextRead++;
            }
            Worker.Process(FSource, Slot->Block);
            Deliver(Slot);
        }
    }

    // A free slot; null when the work is over.
    TSlot* TakeSlot()
    {
        std::unique_lock Lock(FMutex);
        FSlotFree.wait(Lock, [this] { return !FFree.empty() || FFailed; });
        if (FFailed)
            return nullptr;
        TSlot* Slot = FFree.back();
        FFree.pop_back();
        return Slot;
    }

    void GiveBack(TSlot* Slot)
    {
        {
            const std::lock_guard Lock(FMutex);
            FFree.push_back(Slot);
        }
        FSlotFree.notify_one();
    }

    // Marks the slot's block ready; writes every ready block from the next
    // one to write on unless another thread is writing them already.
    void Deliver(TSlot* Slot)
    {
        std::unique_lock Lock(FMutex);
        FReady[Slot->Number % FReady.size()] = Slot;
        if (FWriting)
            return;
        FWriting = true;
        while (!FFailed) {
            TSlot*& Next = FReady[FNextWrite % FReady.size()];
            if (!Next)
                break;
            TSlot* Ready = Next;
            Next = nullptr;
            Lock.unlock();
            const bool Written = FSink.Take(Ready->Block);
            Lock.lock();
            ++FNextWrite;
            FFree.push_back(Ready);
            if (!Written)
                FFailed = true;
            // Every waiting thread: when writing failed they all stop.
            FSlotFree.notify_all();
        }
        FWriting = false;
    }

    TRecordSource& FSource;
    TBlockSink& FSink;
    std::vector<TSlot> FSlots;

    std::mutex FReadMutex;
    bool FInputDone = false;
    uint64_t FNextRead = 0;

    std::mutex FMutex;
    std::condition_variable FSlotFree;
    std::vector<TSlot*> FFree;
    // The processed blocks not yet written, by number modulo their count:
    // no more blocks than slots are in flight.
    std::vector<TSlot*> FReady;
    uint64_t FNextWrite = 0;
    bool FWriting = false;
    bool FFailed = false;
};

} // namespace

bool RunPipeline(TRecordSource& Source, const TIsupCatalog& Catalog, const TConsumerFactory& MakeConsumer, int Jobs,
                 TBlockSink& Sink)
{
    if (Jobs <= 1)
        return RunOnOneThread(Source, Catalog, MakeConsumer, Sink);
    TParallelRun Run(Source, Sink, Jobs);
    return Run.Run(Catalog, MakeConsumer, Jobs);
}

int AvailableCores()
{
    cpu_set_t Set;
    if (sched_getaffinity(0, sizeof Set, &Set) == 0)
        return std::max(1, CPU_COUNT(&Set));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}
