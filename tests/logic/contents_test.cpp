// What a file holds, read from hand-made bytes: BASIC listings, text, load
// maps of /CMD modules, hex, and the view Auto picks.
#include "contents/basic_listing.h"
#include "contents/file_view.h"
#include "contents/hex_dump.h"
#include "contents/load_map.h"
#include "contents/plain_text.h"
#include "support/contents_files.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace ss::contents {
namespace {

using testimg::BasicProgram;
using testimg::Bytes;
using testimg::CmdBlock;
using testimg::CmdRecord;
using testimg::CmdTransfer;
using testimg::Joined;
using Lines = std::vector<std::string>;

// The keywords of the tokens 0x80..0xFB, sixteen a row, as the machine's
// manual lists them (the exponent operator is an up arrow there).
constexpr const char* kTokenTable = R"(
80 END FOR RESET SET CLS CMD RANDOM NEXT DATA INPUT DIM READ LET GOTO RUN IF
90 RESTORE GOSUB RETURN REM STOP ELSE TRON TROFF DEFSTR DEFINT DEFSNG DEFDBL LINE EDIT ERROR RESUME
A0 OUT ON OPEN FIELD GET PUT CLOSE LOAD MERGE NAME KILL LSET RSET SAVE SYSTEM LPRINT
B0 DEF POKE PRINT CONT LIST LLIST DELETE AUTO CLEAR CLOAD CSAVE NEW TAB( TO FN USING
C0 VARPTR USR ERL ERR STRING$ INSTR POINT TIME$ MEM INKEY$ THEN NOT STEP + - *
D0 / ↑ AND OR > = < SGN INT ABS FRE INP POS SQR RND LOG
E0 EXP COS SIN TAN ATN PEEK CVI CVS CVD EOF LOC LOF MKI$ MKS$ MKD$ CINT
F0 CSNG CDBL FIX LEN STR$ VAL ASC CHR$ LEFT$ RIGHT$ MID$ '
)";

TEST(BasicListing, ListsEveryTokenAsItsKeyword) {
    std::istringstream table(kTokenTable);
    std::vector<testimg::BasicLineSpec> program;
    Lines expected;
    for (std::string row; std::getline(table, row);) {
        std::istringstream words(row);
        std::string start;
        if (!(words >> start)) {
            continue;
        }
        int token = std::stoi(start, nullptr, 16);
        for (std::string keyword; words >> keyword; ++token) {
            program.push_back({token, std::string(1, static_cast<char>(token))});
            expected.push_back(std::to_string(token) + ' ' + (keyword == "↑" ? "^" : keyword));
        }
    }
    ASSERT_EQ(program.size(), 0xFCu - 0x80u);
    const BasicListing listing = ListBasic(BasicProgram(program));
    EXPECT_TRUE(listing.Parsed()) << listing.error;
    EXPECT_EQ(ListingLines(listing), expected);
}

TEST(BasicListing, LiteralBytesInQuotesRemAndData) {
    struct Case {
        const char* what;
        std::string body;
        std::string listed;
    };
    const Case cases[] = {
        {"no blanks added", "\xB2\x41\xCD\x42", "PRINTA+B"},
        {"exponent",
         "\xB2 A\xD1"
         "2",
         "PRINT A^2"},
        {"quoted", "\xB2 \"\x8D\xB2\";\x8D 10", "PRINT \"{8D}{B2}\";GOTO 10"},
        {"quote open to the end", "\xB2 \"A:\x80", "PRINT \"A:{80}"},
        {"REM", "\x93 \x8D:\x80\"", "REM {8D}:{80}\""},
        {"apostrophe", "\x84:\x93\xFB\x8D X", "CLS'{8D} X"},
        {":REM without '", "\x84:\x93 X", "CLS:REM X"},
        {"DATA to a colon", "\x88 1,\x8D:\xB2", "DATA 1,{8D}:PRINT"},
        {"DATA quoted colon", "\x88 \"A:\x8D\",B:\x80", "DATA \"A:{8D}\",B:END"},
        {"DATA then '", "\x88 1:\x93\xFB X", "DATA 1' X"},
        {"ELSE", "\x8F A \xCA 10 :\x95 20", "IF A THEN 10 ELSE 20"},
        {"colon kept", "\x84:\x80", "CLS:END"},
        {"not tokens", "\xFC\xFD\xFE\xFF\x01 \x7F", "{FC}{FD}{FE}{FF}{01} {7F}"},
    };
    for (const Case& c : cases) {
        const BasicListing listing = ListBasic(BasicProgram({{10, c.body}}));
        EXPECT_EQ(ListingLines(listing), Lines{"10 " + c.listed}) << c.what;
    }
}

TEST(BasicListing, FollowsTerminatorsAndSaysWhereItStops) {
    Bytes stale = BasicProgram({{10, "\x84"}, {5, "\x80"}, {65535, "\xB2"}});
    stale[1] = 0x34; // the first line's pointer no longer leads to the second
    stale[2] = 0x12;
    const Bytes whole = BasicProgram({{10, "\x84"}, {20, "\x80"}});
    Bytes trailing = whole;
    trailing.insert(trailing.end(), {0x1A, 0x1A, 0x1A});
    const Bytes cutInLine(whole.begin(), whole.end() - 4);
    const Bytes cutInStart(whole.begin(), whole.end() - 6);
    const Bytes noEnd(whole.begin(), whole.end() - 2);
    struct Case {
        const char* what;
        Bytes bytes;
        Lines lines;
        std::string error;
        std::size_t trailing;
    };
    const Case cases[] = {
        {"stale pointer, odd numbers", stale, {"10 CLS", "5 END", "65535 PRINT"}, "", 0},
        {"bytes after the end", trailing, {"10 CLS", "20 END"}, "", 3},
        {"cut off in a line",
         cutInLine,
         {"10 CLS"},
         "the listing stops at offset 0007, after line 10: line 20 is cut off by the end of the "
         "file",
         0},
        {"cut off in a line's start",
         cutInStart,
         {"10 CLS"},
         "the listing stops at offset 0007, after line 10: the file ends inside the next line's "
         "start",
         0},
        {"no end pointer",
         noEnd,
         {"10 CLS", "20 END"},
         "the listing stops at offset 000D, after line 20: the file ends before the program's end "
         "(a line pointer of 0000)",
         0},
        {"not a program",
         Bytes{0x01, 0x02},
         {},
         "not a BASIC program: the first byte is 01, not FF",
         0},
        {"empty", Bytes{}, {}, "not a BASIC program: the file is empty", 0},
    };
    for (const Case& c : cases) {
        const BasicListing listing = ListBasic(c.bytes);
        EXPECT_EQ(ListingLines(listing), c.lines) << c.what;
        EXPECT_EQ(listing.error, c.error) << c.what;
        EXPECT_EQ(listing.trailing, c.trailing) << c.what;
    }
}

TEST(PlainText, LineEndsTabsAndTheCpmEnd) {
    struct Case {
        const char* what;
        std::string bytes;
        bool cpm;
        Lines lines;
    };
    const Case cases[] = {
        {"CR", "AB\rCD\r", false, {"AB", "CD"}},
        {"CR LF", "AB\r\nCD\r\n\r\nE", false, {"AB", "CD", "", "E"}},
        {"LF alone", "AB\nCD", false, {"AB", "CD"}},
        {"tabs", "\tA\tBCDEFGHI\tJ", false, {"        A       BCDEFGHI        J"}},
        {"not printable", "A\x01\xBF\x1A", false, {"A{01}{BF}{1A}"}},
        {"CP/M end", "AB\r\n\x1A\x1A junk", true, {"AB"}},
    };
    for (const Case& c : cases) {
        const Bytes bytes(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(ShowAs(View::Text, bytes, c.cpm).lines, c.lines) << c.what;
    }
}

LoadRecord Block(std::size_t offset, int address, int length, std::vector<int> overlaps = {}) {
    LoadRecord r;
    r.type = 1;
    r.offset = offset;
    r.dataOffset = offset + 4;
    r.address = address;
    r.length = length;
    r.overlaps = std::move(overlaps);
    return r;
}

TEST(LoadMap, BlocksOverlapsTransferAndErrors) {
    const Bytes four{1, 2, 3, 4};
    const Bytes overlapping = Joined({CmdBlock(0x5200, Bytes(16, 0xAA)), CmdBlock(0x5300, four),
                                      CmdBlock(0x520C, Bytes(8, 0xBB)),
                                      CmdBlock(0x51FF, Bytes(256, 0xCC)), CmdTransfer(0x5200)});
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<LoadRecord> blocks;
        std::optional<int> transfer;
        std::size_t trailing;
        std::string error;
    };
    const Case cases[] = {
        {"overlapping blocks",
         overlapping,
         {Block(0, 0x5200, 16), Block(20, 0x5300, 4), Block(28, 0x520C, 8, {0}),
          Block(40, 0x51FF, 256, {0, 2})},
         0x5200,
         0,
         ""},
        {"256 bytes, wrapping past FFFF",
         Joined({CmdBlock(0x0000, four), CmdBlock(0xFF80, Bytes(256, 0)), CmdTransfer(0)}),
         {Block(0, 0x0000, 4), Block(8, 0xFF80, 256, {0})},
         0,
         0,
         ""},
        {"bytes after the transfer",
         Joined({CmdBlock(0x5200, four), CmdTransfer(0x5201), Bytes{0, 0, 0}}),
         {Block(0, 0x5200, 4)},
         0x5201,
         3,
         ""},
        {"unknown record",
         Joined({CmdBlock(0x5200, four), CmdRecord(0x03, "X"), CmdTransfer(0x5200)}),
         {Block(0, 0x5200, 4)},
         std::nullopt,
         0,
         "at offset 0008: record type 03 is not one the loader knows"},
        {"cut-off record",
         Bytes{1, 7, 0x00, 0x52, 1, 2},
         {},
         std::nullopt,
         0,
         "at offset 0000: the record of type 01 and length 7 is cut off by the end of the file, "
         "4 bytes after its length"},
        {"cut-off length",
         Bytes{0x05},
         {},
         std::nullopt,
         0,
         "at offset 0000: the file ends before the length of a record of type 05"},
        {"no transfer",
         CmdBlock(0x5200, four),
         {Block(0, 0x5200, 4)},
         std::nullopt,
         0,
         "at offset 0008: the file ends without a transfer address"},
        {"transfer of length 3",
         Bytes{2, 3, 0, 0x52, 0},
         {},
         std::nullopt,
         0,
         "at offset 0000: a transfer record of length 3, not 2"},
    };
    for (const Case& c : cases) {
        const LoadMap map = ReadLoadMap(c.bytes);
        std::vector<LoadRecord> blocks;
        for (const LoadRecord& r : map.records) {
            blocks.push_back(r);
        }
        ASSERT_EQ(blocks.size(), c.blocks.size()) << c.what;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            EXPECT_EQ(blocks[k].offset, c.blocks[k].offset) << c.what << k;
            EXPECT_EQ(blocks[k].dataOffset, c.blocks[k].dataOffset) << c.what << k;
            EXPECT_EQ(blocks[k].address, c.blocks[k].address) << c.what << k;
            EXPECT_EQ(blocks[k].length, c.blocks[k].length) << c.what << k;
            EXPECT_EQ(blocks[k].overlaps, c.blocks[k].overlaps) << c.what << k;
        }
        EXPECT_EQ(map.transfer, c.transfer) << c.what;
        EXPECT_EQ(map.trailing, c.trailing) << c.what;
        EXPECT_EQ(map.error, c.error) << c.what;
    }
    const LoadedMemory memory = Load(ReadLoadMap(overlapping), overlapping);
    EXPECT_FALSE(memory.loaded[0x51FE]);
    EXPECT_EQ(memory.bytes[0x5200], 0xCC); // the last block wrote over the first
    EXPECT_EQ(memory.bytes[0x5300], 1);
    EXPECT_EQ(memory.bytes[0x5303], 4);
    EXPECT_FALSE(memory.loaded[0x5304]);
}

TEST(LoadMap, NameCopyrightAndSkippedRecordsAsListed) {
    const Bytes module = Joined({CmdRecord(0x05, "PROG\x01"), CmdRecord(0x1F, "(C) 1983"),
                                 CmdRecord(0x06, "ab"), CmdBlock(0x6000, Bytes(255, 0)),
                                 CmdBlock(0x6010, {1}), CmdTransfer(0x6000), Bytes{0xFF}});
    EXPECT_EQ(
        LoadMapLines(ReadLoadMap(module)),
        (Lines{"record  offset  type  load  last  bytes",
               "     1  0000    05                    5  name",
               "     2  0007    1F                    8  copyright",
               "     3  0011    06                    2  skipped",
               "     4  0015    01    6000  60FE    255",
               "     5  0118    01    6010  6010      1  over record 4", "name       PROG{01}",
               "copyright  (C) 1983", "transfer   6000", "after the transfer record: 1 bytes"}));
}

TEST(HexDump, SixteenBytesALineWithTheirCharacters) {
    const std::string text = "HELLO, WORLD\r\x01\x80 AB";
    const Bytes bytes(text.begin(), text.end());
    EXPECT_EQ(HexLines(bytes),
              (Lines{"0000  48 45 4C 4C 4F 2C 20 57 4F 52 4C 44 0D 01 80 20  HELLO, WORLD... ",
                     "0010  41 42                                            AB"}));
    const Lines large = HexLines(Bytes(0x10001));
    EXPECT_EQ(large.front().substr(0, 7), "00000  ");
    EXPECT_EQ(large.back(), "10000  00" + std::string(47, ' ') + ".");
}

TEST(AutoView, ListingLoadMapTextOrHex) {
    const std::string text = "10 REM\r\tSOME TEXT\x01\r";
    struct Case {
        const char* what;
        Bytes bytes;
        bool cpm;
        View view;
    };
    const Case cases[] = {
        {"BASIC", BasicProgram({{10, "\x84"}}), false, View::Listing},
        {"load module", Joined({CmdBlock(0x5200, {0xC9}), CmdTransfer(0x5200)}), false,
         View::LoadMap},
        {"text", Bytes(text.begin(), text.end()), false, View::Text},
        {"CP/M text", Joined({Bytes(text.begin(), text.end()), Bytes(100, 0x1A)}), true,
         View::Text},
        {"padded text, not CP/M", Joined({Bytes(text.begin(), text.end()), Bytes(100, 0x1A)}),
         false, View::Hex},
        {"cut-off BASIC", Bytes{0xFF, 0x05, 0x6A, 10, 0, 0x84}, false, View::Hex},
        {"empty", Bytes{}, false, View::Hex},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AutoView(c.bytes, c.cpm), c.view) << c.what;
    }
}

} // namespace
} // namespace ss::contents
