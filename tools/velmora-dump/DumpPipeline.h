// velmora-dump's pipeline: input -> records -> decode -> consume -> output.
//
// A record source reads the input in large blocks, one after the other, and
// turns a block into records (the octets of each, its number, and notes on
// what it could not read). Workers, one per thread, parse blocks, decode
// each record of a block with a decoder of their own and hand it, with its
// row summary, to their record consumer, which appends the block's output.
// The blocks are written out in input order, so the output is the same for
// any number of workers.
//
// Each input form (hex or record lines, a pcap) is a TRecordSource; a new
// use of the decoded records (printing, filtering, counting) is a
// TRecordConsumer. A consumer that must see every record in input order,
// across blocks, does its per-record work in Consume and its ordered part in
// Deliver, which runs on one thread, block after block, in input order.
#pragma once

#include "presentation/TextPool.h"
#include "tools/velmora-dump/DumpFormat.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TIsupCatalog;
class TPcapReader;

// A record of the input: its number (the input line, or the pcap packet
// that carried it, counting from 1), its form, and where its bytes lie in
// its block's Octets (a capture record's or a bare message's).
struct TInputRecord {
    int Number = 0;
    bool IsRecord = false;
    bool FromPacket = false;
    uint32_t Offset = 0;
    uint32_t Size = 0;
};

// A block of input on its way through the pipeline.
struct TInputBlock {
    // The raw input of the block, as its source read it, in Storage.
    std::string_view Data;
    // Room for the raw input, kept from block to block: StorageSize octets,
    // not cleared when reused.
    std::unique_ptr<char[]> Storage;
    size_t StorageSize = 0;
    // The number of the first item of Data.
    int FirstNumber = 1;
    // What parsing Data gave: the records, their bytes one after the other,
    // and notes for standard error (each ended by a line end).
    std::vector<TInputRecord> Records;
    std::string Octets;
    std::string Notes;
    // The block's output.
    std::string Out;

    // Empties everything but the storage.
    void Clear();
    // Makes the storage hold at least Size octets, keeping its first Keep.
    char* Reserve(size_t Size, size_t Keep);
};

class TRecordSource {
public:
    virtual ~TRecordSource() = default;
    // Reads the next block of raw input into Block (Data and FirstNumber);
    // false when the input is exhausted or a read failed. One thread, in
    // input order.
    virtual bool Read(TInputBlock& Block) = 0;
    // Turns Block's Data into its Records, Octets and Notes; on any thread,
    // for any number of blocks at once.
    virtual void Parse(TInputBlock& Block) const = 0;
    // The errno of the failed read, 0 when none failed.
    virtual int Error() const = 0;
};

// Hex message lines or capture record lines (the .ss7 layout) from a stdio
// stream. Lines starting with '#' are skipped, and so are lines without any
// octet in a record file; lines that are not hex, and records shorter than
// a record, are noted with Source and their line number.
class TLineSource : public TRecordSource {
public:
    // File stays open and owned by the caller. Reads take ReadSize octets:
    // a block is that much, less the last line if it is unfinished, plus
    // the unfinished line of the read before.
    TLineSource(std::FILE* File, bool Records, std::string Source, size_t ReadSize = DefaultReadSize);
    bool Read(TInputBlock& Block) override;
    void Parse(TInputBlock& Block) const override;
    int Error() const override { return FError; }

    // Small enough that the blocks in flight keep their output in memory
    // already mapped (a block of tree or JSON lines is twenty times its
    // input), large enough that a block is worth handing to a thread.
    static constexpr size_t DefaultReadSize = 64 * 1024;

private:
    std::FILE* FFile;
    bool FRecords;
    size_t FReadSize;
    std::string FSource;
    // The start of a line not yet complete at the end of the last read.
    std::string FCarry;
    int FNextNumber = 1;
    bool FEnd = false;
    int FError = 0;
};

// The messages of a pcap or pcapng file as capture records, numbered by
// the packet that carried them. libpcap reads on one thread: Read takes the
// messages of a block; Parse has nothing left to do. A file that cannot be
// read to its end ends the input after the messages before the fault, with
// a note, and Failed() says so.
class TPcapSource : public TRecordSource {
public:
    // Reader stays owned by the caller.
    explicit TPcapSource(TPcapReader& Reader, size_t BlockSize = TLineSource::DefaultReadSize);
    bool Read(TInputBlock& Block) override;
    void Parse(TInputBlock&) const override {}
    int Error() const override { return 0; }
    bool Failed() const { return FFailed; }

private:
    void TakeNotes(TInputBlock& Block);

    TPcapReader& FReader;
    size_t FBlockSize;
    bool FEnd = false;
    bool FFailed = false;
};

// What decoding a record gives a consumer: the record as a dump line (its
// capture item, row summary and decoded message) and the texts of its
// summary.
class TRecordConsumer {
public:
    virtual ~TRecordConsumer() = default;
    // Each record of a block in order, on the block's worker thread; the
    // record's output is appended to Out.
    virtual void Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block) = 0;
};

// Makes a consumer for each worker.
using TConsumerFactory = std::function<std::unique_ptr<TRecordConsumer>()>;

// Takes the consumed blocks in input order, on one thread.
class TBlockSink {
public:
    virtual ~TBlockSink() = default;
    // False stops the pipeline (writing failed).
    virtual bool Take(TInputBlock& Block) = 0;
};

// Writes a block's notes to standard error and its output to a file
// descriptor.
class TFileSink : public TBlockSink {
public:
    explicit TFileSink(int Fd)
        : FFd(Fd)
    {
    }
    bool Take(TInputBlock& Block) override;
    // Writes Text whole; false, with Error() set, when writing failed.
    bool Write(std::string_view Text);
    int Error() const { return FError; }

private:
    int FFd;
    int FError = 0;
};

// Runs the pipeline with Jobs workers (1: everything on the calling
// thread) until the source is exhausted or the sink fails; false when the
// sink failed.
bool RunPipeline(TRecordSource& Source, const TIsupCatalog& Catalog, const TConsumerFactory& MakeConsumer, int Jobs,
                 TBlockSink& Sink);

// The number of cores this process may run on.
int AvailableCores();

// velmora-dump's printing: each record as a text line or a JSON line, and
// the decoded view's lines under a text line when Verbose.
enum class TPrintForm { Aligned, Tabs, Json };
class TRecordPrinter : public TRecordConsumer {
public:
    TRecordPrinter(TPrintForm Form, bool Verbose)
        : FForm(Form)
        , FVerbose(Verbose)
    {
    }
    void Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block) override;

private:
    TPrintForm FForm;
    bool FVerbose;
};
