// The ISUP reader the level-4 dispatcher hands service indicator 5 to.
#pragma once

#include <memory>

class TCustomPacketL4;
class TMemoryStream;

std::unique_ptr<TCustomPacketL4> ReadIsupPacket(TMemoryStream& Stream);
