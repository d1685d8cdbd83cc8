#include "tools/velmora-dump/LineReader.h"

#include <cerrno>

int TLineReader::Peek()
{
    if (FPosition == FLength) {
        if (FEnd)
            return EOF;
        FLength = std::fread(FBuffer, 1, sizeof FBuffer, FFile);
        FPosition = 0;
        if (FLength == 0) {
            FEnd = true;
            if (std::ferror(FFile))
                FError = errno != 0 ? errno : EIO;
            return EOF;
        }
    }
    return static_cast<unsigned char>(FBuffer[FPosition]);
}

int TLineReader::Get()
{
    const int C = Peek();
    if (C != EOF)
        ++FPosition;
    return C;
}

bool TLineReader::Next(std::string& Line)
{
    Line.clear();
    bool Any = false;
    for (;;) {
        const int C = Get();
        if (C == EOF)
            return Any;
        Any = true;
        if (C == '\n')
            return true;
        if (C == '\r') {
            if (Peek() == '\n')
                Get();
            return true;
        }
        Line.push_back(static_cast<char>(C));
    }
}
