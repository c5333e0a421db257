#include "basic_listing.h"

#include "shown_bytes.h"
#include "surface/numtext.h"

#include <array>

namespace ss::contents {

namespace {

constexpr std::uint8_t kFirstToken = 0x80;
constexpr std::uint8_t kLastToken = 0xFB;
constexpr std::uint8_t kData = 0x88;
constexpr std::uint8_t kRem = 0x93;
constexpr std::uint8_t kElse = 0x95;
constexpr std::uint8_t kApostrophe = 0xFB;

constexpr std::array<std::string_view, kLastToken - kFirstToken + 1> kKeywords = {
    // 0x80
    "END", "FOR", "RESET", "SET", "CLS", "CMD", "RANDOM", "NEXT", "DATA", "INPUT", "DIM", "READ",
    "LET", "GOTO", "RUN", "IF",
    // 0x90
    "RESTORE", "GOSUB", "RETURN", "REM", "STOP", "ELSE", "TRON", "TROFF", "DEFSTR", "DEFINT",
    "DEFSNG", "DEFDBL", "LINE", "EDIT", "ERROR", "RESUME",
    // 0xA0
    "OUT", "ON", "OPEN", "FIELD", "GET", "PUT", "CLOSE", "LOAD", "MERGE", "NAME", "KILL", "LSET",
    "RSET", "SAVE", "SYSTEM", "LPRINT",
    // 0xB0
    "DEF", "POKE", "PRINT", "CONT", "LIST", "LLIST", "DELETE", "AUTO", "CLEAR", "CLOAD", "CSAVE",
    "NEW", "TAB(", "TO", "FN", "USING",
    // 0xC0
    "VARPTR", "USR", "ERL", "ERR", "STRING$", "INSTR", "POINT", "TIME$", "MEM", "INKEY$", "THEN",
    "NOT", "STEP", "+", "-", "*",
    // 0xD0
    "/", "^", "AND", "OR", ">", "=", "<", "SGN", "INT", "ABS", "FRE", "INP", "POS", "SQR", "RND",
    "LOG",
    // 0xE0
    "EXP", "COS", "SIN", "TAN", "ATN", "PEEK", "CVI", "CVS", "CVD", "EOF", "LOC", "LOF", "MKI$",
    "MKS$", "MKD$", "CINT",
    // 0xF0
    "CSNG", "CDBL", "FIX", "LEN", "STR$", "VAL", "ASC", "CHR$", "LEFT$", "RIGHT$", "MID$", "'"};

int Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8;
}

// Adds a line's body as LIST writes it. Inside quotes and after REM every
// byte is literal; after DATA up to a ':' outside quotes.
void ListBody(std::string& text, std::span<const std::uint8_t> body) {
    enum class Mode { Code, Quote, Rem, Data };
    Mode mode = Mode::Code;
    Mode afterQuote = Mode::Code; // a quote opened in a DATA item ends back in it
    const std::size_t n = body.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint8_t b = body[k];
        if (mode == Mode::Rem) {
            text += static_cast<char>(b);
            continue;
        }
        if (mode == Mode::Quote) {
            text += static_cast<char>(b);
            if (b == '"') {
                mode = afterQuote;
            }
            continue;
        }
        if (b == '"') {
            text += '"';
            afterQuote = mode;
            mode = Mode::Quote;
            continue;
        }
        if (mode == Mode::Data) {
            if (b != ':') {
                text += static_cast<char>(b);
                continue;
            }
            mode = Mode::Code;
        }
        if (b == ':' && k + 1 < n && body[k + 1] == kElse) {
            continue; // ELSE is stored as ":ELSE" and listed without the colon
        }
        if (b == ':' && k + 2 < n && body[k + 1] == kRem && body[k + 2] == kApostrophe) {
            text += '\''; // ' is stored as ":REM'"
            k += 2;
            mode = Mode::Rem;
            continue;
        }
        if (b >= kFirstToken && b <= kLastToken) {
            text += kKeywords[b - kFirstToken];
            mode = b == kRem ? Mode::Rem : b == kData ? Mode::Data : Mode::Code;
            continue;
        }
        text += static_cast<char>(b);
    }
}

std::string At(std::size_t offset, const std::vector<BasicLine>& lines) {
    std::string where = "the listing stops at offset " + OffsetText(offset);
    if (!lines.empty()) {
        where += ", after line " + std::to_string(lines.back().number);
    }
    return where + ": ";
}

} // namespace

std::string_view BasicKeyword(std::uint8_t token) {
    if (token < kFirstToken || token > kLastToken) {
        return {};
    }
    return kKeywords[token - kFirstToken];
}

BasicListing ListBasic(std::span<const std::uint8_t> bytes) {
    BasicListing listing;
    const std::size_t size = bytes.size();
    if (size == 0) {
        listing.error = "not a BASIC program: the file is empty";
        return listing;
    }
    if (bytes[0] != 0xFF) {
        listing.error = "not a BASIC program: the first byte is " + Hex2(bytes[0]) + ", not FF";
        return listing;
    }
    std::size_t pos = 1;
    for (;;) {
        if (pos + 2 > size) {
            listing.error = At(pos, listing.lines) +
                            "the file ends before the program's end (a line pointer of 0000)";
            break;
        }
        if (Word(bytes, pos) == 0) {
            listing.end = pos + 2;
            listing.trailing = size - listing.end;
            return listing;
        }
        if (pos + 4 > size) {
            listing.error = At(pos, listing.lines) + "the file ends inside the next line's start";
            break;
        }
        const int number = Word(bytes, pos + 2);
        std::size_t end = pos + 4;
        while (end < size && bytes[end] != 0) {
            ++end;
        }
        if (end == size) {
            listing.error = At(pos, listing.lines) + "line " + std::to_string(number) +
                            " is cut off by the end of the file";
            break;
        }
        BasicLine& line = listing.lines.emplace_back();
        line.number = number;
        line.offset = pos;
        line.text.reserve(2 * (end - pos));
        ListBody(line.text, bytes.subspan(pos + 4, end - pos - 4));
        pos = end + 1;
    }
    listing.end = pos;
    return listing;
}

} // namespace ss::contents
