// The macro channel's wire format read byte by byte: what is complete, what must wait for more,
// what is refused at once; strict UTF-8; the frame the client writes reads back unchanged; and
// the service name taken from the program file.
#include "app/MacroProtocol.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray Header(uint8_t topicLength, quint32 commandLength) {
    QByteArray header("QDDE\x01", 5);
    header.append(char(topicLength));
    uchar length[4];
    qToBigEndian(commandLength, length);
    header.append(reinterpret_cast<const char*>(length), 4);
    return header;
}

struct TParseRow {
    const char* Name;
    QByteArray Bytes;
    TFrameState State;
    QString Topic = {};
    QString Command = {};
};

const TParseRow ParseRows[] = {
    {"nothing yet", "", TFrameState::Incomplete},
    {"part of the magic", "QD", TFrameState::Incomplete},
    {"wrong first byte refused at once", "X", TFrameState::Refused},
    {"wrong magic late in the word", "QDDX", TFrameState::Refused},
    {"wrong version refused before the lengths", "QDDE\x02", TFrameState::Refused},
    {"header short of one byte", Header(1, 0).left(9), TFrameState::Incomplete},
    {"header, topic still missing", Header(1, 0), TFrameState::Incomplete},
    {"empty topic", Header(0, 0), TFrameState::Refused},
    {"empty command", Header(1, 0) + "T", TFrameState::Complete, "T", ""},
    {"command half there", Header(1, 4) + "TGr", TFrameState::Incomplete},
    {"whole request", Header(9, 4) + "QuorilDDEGrid", TFrameState::Complete, "QuorilDDE", "Grid"},
    {"byte after the frame", Header(1, 1) + "TGx", TFrameState::Refused},
    {"length past the limit known from the header", Header(9, MacroMaxRequest),
     TFrameState::TooLong},
    {"largest length that fits", Header(255, MacroMaxRequest - MacroHeaderSize - 255),
     TFrameState::Incomplete},
    {"two-byte UTF-8", Header(1, 2) + "T\xc3\xb6", TFrameState::Complete, "T",
     QStringLiteral("\u00f6")},
    {"invalid byte", Header(1, 1) + "T\xff", TFrameState::Refused},
    {"overlong slash", Header(1, 2) + "T\xc0\xaf", TFrameState::Refused},
    {"surrogate half", Header(1, 3) + "T\xed\xa0\x80", TFrameState::Refused},
    {"sequence cut short", Header(1, 1) + "T\xc3", TFrameState::Refused},
    {"invalid topic", Header(1, 0) + "\x80", TFrameState::Refused},
    {"byte order mark kept in the topic", Header(12, 0) + "\xef\xbb\xbfQuorilDDE",
     TFrameState::Complete, QStringLiteral("\ufeffQuorilDDE"), ""},
};

TEST(MacroProtocolTest, ParseRequest) {
    for (const TParseRow& row : ParseRows) {
        SCOPED_TRACE(row.Name);
        const TMacroRequest request = ParseMacroRequest(row.Bytes);
        EXPECT_EQ(int(request.State), int(row.State));
        if (row.State != TFrameState::Complete) continue;
        EXPECT_EQ(request.Topic, row.Topic);
        EXPECT_EQ(request.Command, row.Command);
        EXPECT_EQ(request.FrameSize, row.Bytes.size());
    }
}

struct TEncodeRow {
    const char* Name;
    QString Topic;
    QString Command;
    bool Framed;
};

const TEncodeRow EncodeRows[] = {
    {"lines and text beyond ASCII", "QuorilDDE", QStringLiteral("Grid\r\n\u03c0\n"), true},
    {"empty command", "QuorilDDE", "", true},
    {"empty topic", "", "Grid", false},
    {"topic of 255 bytes", QString(255, 'T'), "Grid", true},
    {"topic of 256 bytes", QString(256, 'T'), "Grid", false},
    {"topic of 128 two-byte characters", QString(128, QChar(0xf6)), "Grid", false},
    {"frame exactly at the limit", "T", QString(MacroMaxRequest - MacroHeaderSize - 1, 'x'), true},
    {"frame one byte past", "T", QString(MacroMaxRequest - MacroHeaderSize, 'x'), false},
};

TEST(MacroProtocolTest, EncodedRequestReadsBackUnchanged) {
    for (const TEncodeRow& row : EncodeRows) {
        SCOPED_TRACE(row.Name);
        const QByteArray frame = EncodeMacroRequest(row.Topic, row.Command);
        EXPECT_EQ(!frame.isEmpty(), row.Framed);
        if (frame.isEmpty()) continue;
        const TMacroRequest request = ParseMacroRequest(frame);
        EXPECT_EQ(int(request.State), int(TFrameState::Complete));
        EXPECT_EQ(request.Topic, row.Topic);
        EXPECT_EQ(request.Command, row.Command);
    }
}

struct TNameRow {
    const char* Path;
    const char* Service;
};

const TNameRow NameRows[] = {
    {"C:/Programme/Quoril/quoril.exe", "quoril"},
    {"/opt/quoril.test.bin", "quoril"},
    {"/home/a.b/quoril", "quoril"},      // a dot in a folder does not count
    {"/usr/bin/Quoril2.EXE", "Quoril2"}, // the case stays as the file has it
    {"/usr/bin/.quoril", ""},
};

TEST(MacroProtocolTest, ServiceNameIsTheFileNameUpToTheFirstDot) {
    for (const TNameRow& row : NameRows) {
        SCOPED_TRACE(row.Path);
        EXPECT_EQ(MacroServiceName(QString::fromUtf8(row.Path)), QString::fromUtf8(row.Service));
    }
}

} // namespace
