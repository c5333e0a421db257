// The bytes of files as the machine saves them, for the tests of their
// contents: tokenized BASIC programs and /CMD load modules.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ss::testimg {

using Bytes = std::vector<std::uint8_t>;

// A line of a BASIC program: its number and its tokenized body, written as a
// string of bytes ("\xB2 X" is PRINT X).
struct BasicLineSpec {
    int number;
    std::string body;
};

// Byte FF, each line with its pointer to the next (as loaded at `base`), its
// number, body and 0x00, then a pointer of 0000.
Bytes BasicProgram(const std::vector<BasicLineSpec>& lines, int base = 0x6A01);

// A short payroll program, as shown in the README and its screenshot: FOR,
// IF ... THEN, PRINT USING, DATA with quoted items, REM and '.
Bytes PayrollProgram();
// A load module that clears the screen and goes back to the DOS: name,
// copyright, one block with a note after the code, transfer address.
Bytes ClearScreenModule();

// Load module records: a load block (length byte counting the address, 0, 1
// and 2 for 256, 257 and 258 bytes), a transfer address, any other record.
Bytes CmdBlock(int address, const Bytes& data);
Bytes CmdTransfer(int address);
Bytes CmdRecord(int type, const std::string& data);
Bytes Joined(const std::vector<Bytes>& parts);

} // namespace ss::testimg
