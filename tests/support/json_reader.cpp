#include "json_reader.h"

#include <stdexcept>

namespace ss::testimg {

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    JsonValue Document() {
        JsonValue v = Value();
        Blanks();
        if (pos_ != text_.size()) {
            Fail("text after the value");
        }
        return v;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    void Blanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }
    bool Take(char c) {
        Blanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) {
            Fail(std::string("expected '") + c + "'");
        }
    }
    bool Word(std::string_view word) {
        if (text_.substr(pos_, word.size()) == word) {
            pos_ += word.size();
            return true;
        }
        return false;
    }

    JsonValue Value() {
        Blanks();
        if (pos_ >= text_.size()) {
            Fail("missing value");
        }
        const char c = text_[pos_];
        if (c == '{') {
            return Members();
        }
        if (c == '[') {
            return Items();
        }
        if (c == '"') {
            return {String()};
        }
        if (Word("true")) {
            return {true};
        }
        if (Word("false")) {
            return {false};
        }
        if (Word("null")) {
            return {nullptr};
        }
        return {Number()};
    }

    JsonValue Members() {
        Expect('{');
        JsonValue::Object members;
        if (!Take('}')) {
            do {
                Blanks();
                std::string key = String();
                Expect(':');
                members.emplace_back(std::move(key), Value());
            } while (Take(','));
            Expect('}');
        }
        return {std::move(members)};
    }

    JsonValue Items() {
        Expect('[');
        JsonValue::Array items;
        if (!Take(']')) {
            do {
                items.push_back(Value());
            } while (Take(','));
            Expect(']');
        }
        return {std::move(items)};
    }

    std::int64_t Number() {
        const std::size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') {
            ++pos_;
        }
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            ++pos_;
        }
        const std::string digits(text_.substr(start, pos_ - start));
        if (digits.empty() || digits == "-") {
            Fail("not a value");
        }
        return std::stoll(digits);
    }

    unsigned Hex4() {
        if (pos_ + 4 > text_.size()) {
            Fail("short \\u escape");
        }
        const std::string digits(text_.substr(pos_, 4));
        pos_ += 4;
        return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
    }

    static void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string String() {
        if (pos_ >= text_.size() || text_[pos_] != '"') {
            Fail("expected a string");
        }
        ++pos_;
        std::string out;
        while (true) {
            if (pos_ >= text_.size()) {
                Fail("unterminated string");
            }
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in a string");
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                Fail("unterminated escape");
            }
            const char e = text_[pos_++];
            static constexpr std::string_view kFrom = "\"\\/bfnrt";
            static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
            if (const std::size_t k = kFrom.find(e); k != std::string_view::npos) {
                out += kTo[k];
            } else if (e == 'u') {
                unsigned cp = Hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && Word("\\u")) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
                }
                AppendUtf8(out, cp);
            } else {
                Fail("unknown escape");
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](std::string_view key) const {
    for (const auto& [name, v] : Members()) {
        if (name == key) {
            return v;
        }
    }
    throw std::out_of_range("JSON: no member \"" + std::string(key) + "\"");
}

JsonValue ParseJson(std::string_view text) {
    return Reader(text).Document();
}

} // namespace ss::testimg
