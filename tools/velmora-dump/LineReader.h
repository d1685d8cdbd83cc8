// Splits a byte stream into lines. CR, LF and CR LF all end a line, so
// capture files written on any system read alike; nothing else is touched.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class TLineReader {
public:
    explicit TLineReader(std::FILE* File)
        : FFile(File)
    {
    }

    // The next line without its end; false when the input is exhausted.
    // A last line without a line end still counts as a line.
    bool Next(std::string& Line);
    // True when reading stopped on an error rather than the end of input.
    bool Failed() const { return FError != 0; }
    // The errno of the failed read.
    int Error() const { return FError; }

private:
    int Get();
    int Peek();

    std::FILE* FFile;
    char FBuffer[65536];
    size_t FPosition = 0;
    size_t FLength = 0;
    bool FEnd = false;
    int FError = 0;
};
