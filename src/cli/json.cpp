#include "json.h"

namespace ss::cli {

namespace {

// Length of the valid UTF-8 sequence at the start of text, or 0 when its first
// byte does not start one (a stray continuation byte, an overlong form, a
// surrogate, a code point beyond U+10FFFF, or a sequence cut short).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80; // bounds of the second byte
    unsigned char high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string JsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kDigits[c >> 4];
                out += kDigits[c & 0x0F];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

void WriteJson(std::ostream& out, const Json& value) {
    switch (value.type()) {
    case Json::value_t::object: {
        char separator = '{';
        for (const auto& [key, member] : value.items()) {
            out << separator << JsonString(key) << ':';
            WriteJson(out, member);
            separator = ',';
        }
        out << (value.empty() ? "{}" : "}");
        break;
    }
    case Json::value_t::array: {
        char separator = '[';
        for (const Json& item : value) {
            out << separator;
            WriteJson(out, item);
            separator = ',';
        }
        out << (value.empty() ? "[]" : "]");
        break;
    }
    case Json::value_t::string:
        out << JsonString(value.get_ref<const std::string&>());
        break;
    default:
        out << value.dump();
    }
}

} // namespace ss::cli
