// Text split into lines. CR, LF and CR LF each end a line, so that capture
// files and hex message files written on any system read alike; a line end
// at the very end of the text starts no further line, and a last line
// without one still counts. One rule, for text held in memory
// (TLineSplitter) and for text read from a stream (TLineReader).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Finds the line that starts at Position in Text and moves Position past its
// line end. Final tells whether Text ends the input: when it does not, a
// line whose end is not yet in Text (or is a CR at the very end of Text,
// which may be the first half of a CR LF) is not taken, and the result is
// false with Position unchanged, so that the caller can read on.
bool NextLine(std::string_view Text, size_t& Position, std::string_view& Line, bool Final);

// The lines of a text held in memory.
class TLineSplitter {
public:
    explicit TLineSplitter(std::string_view Text);
    // The next line without its end, a view into the text; false after the
    // last line.
    bool Next(std::string_view& Line) { return FHasCr ? NextLine(FText, FPosition, Line, true) : NextLfLine(Line); }

    // The number of lines Next gives.
    static size_t Count(std::string_view Text);

private:
    // Next in a text without CRs: one search for the LF.
    bool NextLfLine(std::string_view& Line);

    std::string_view FText;
    size_t FPosition = 0;
    bool FHasCr = true;
};

// The lines of a stdio stream, read in large blocks.
class TLineReader {
public:
    // File stays open and owned by the caller.
    explicit TLineReader(std::FILE* File)
        : FFile(File)
    {
    }

    // The next line without its end, valid until the next call; false when
    // the input is exhausted or a read failed.
    bool Next(std::string_view& Line);
    // True when reading stopped on an error rather than the end of input.
    bool Failed() const { return FError != 0; }
    // The errno of the failed read.
    int Error() const { return FError; }

private:
    std::FILE* FFile;
    std::string FBuffer;
    size_t FPosition = 0;
    bool FEnd = false;
    int FError = 0;
};
