// The processor's datagrams: which are looked at, the capture record a
// capture datagram becomes, and the datagrams a simulator sends.
#include "presentation/Datagram.h"

#include "presentation/CaptureRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TSystemTime Now{2026, 12, 1, 7, 9, 5, 3, 12};

TEST(Datagram, TypeAndSizeDecideWhatADatagramIs)
{
    EXPECT_EQ(DatagramKind(std::string("\xBB\x01\x02\x81", 4)), TDatagramKind::Capture);
    EXPECT_EQ(DatagramKind(std::string("\x92\x00\x00\x00", 4)), TDatagramKind::HeartBeat);
    EXPECT_EQ(DatagramKind(std::string("\x92") + std::string(99, '\x55')), TDatagramKind::HeartBeat);
    // Three bytes and fewer are not looked at, whatever their type.
    EXPECT_EQ(DatagramKind(std::string("\xBB\x01\x02", 3)), TDatagramKind::Ignored);
    EXPECT_EQ(DatagramKind(std::string("\x92\x00\x00", 3)), TDatagramKind::Ignored);
    EXPECT_EQ(DatagramKind(""), TDatagramKind::Ignored);
    EXPECT_EQ(DatagramKind(std::string("\x77\x01\x02\x81", 4)), TDatagramKind::Ignored);
    EXPECT_EQ(DatagramKind(std::string("\xBC\x01\x02\x81", 4)), TDatagramKind::Ignored);
}

TEST(Datagram, ACaptureDatagramBecomesTheRecordStampedNow)
{
    std::string Record = "left over";
    CaptureDatagramRecord(std::string("\xBB\x02\x07\x85\x01\x80\x00\x30", 8), Now, Record);
    TCaptureRecord Read;
    ASSERT_TRUE(ReadCaptureRecord(Record, Read));
    EXPECT_EQ(Read, (TCaptureRecord{Now, cdOut, 7, std::string("\x85\x01\x80\x00\x30", 5)}));
    // Any other direction code is kept as it is.
    CaptureDatagramRecord(std::string("\xBB\x03\xFF\x81", 4), Now, Record);
    ASSERT_TRUE(ReadCaptureRecord(Record, Read));
    EXPECT_EQ(Read.Direction, 3);
    EXPECT_EQ(Read.Link, 255);
}

TEST(Datagram, WhatASimulatorSends)
{
    std::string Datagram;
    AppendCaptureDatagram(cdIn, 9, std::string("\x81\x29", 2), Datagram);
    EXPECT_EQ(Datagram, std::string("\xBB\x01\x09\x81\x29", 5));
    EXPECT_EQ(DatagramKind(Datagram), TDatagramKind::Capture);
    EXPECT_EQ(HeartBeatDatagram(), std::string("\x92\x00\x00\x00", 4));
    EXPECT_EQ(DatagramKind(HeartBeatDatagram()), TDatagramKind::HeartBeat);
}

} // namespace
