// A small JSON writer for the command-line program's --json output: objects,
// arrays, strings, whole numbers and booleans, written compactly as they come.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ss::cli {

// The text as a JSON string, quotes included. Valid UTF-8 passes unchanged;
// each byte that does not start a complete, valid UTF-8 sequence becomes
// \uFFFD, as the windows show such a byte. Control characters and DEL are
// escaped (\n, \r, \t, \b, \f or \u00XX).
std::string JsonString(std::string_view text);

// Writes one JSON value to a stream. Keys and values are written in the order
// given; the writer puts the commas and colons between them.
//
//   JsonWriter json(out);
//   json.BeginObject().Key("tracks").Number(35).Key("notices").BeginArray().EndArray();
//   json.EndObject();   // {"tracks":35,"notices":[]}
class JsonWriter {
  public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next member of the object being written.
    JsonWriter& Key(std::string_view key);

    JsonWriter& String(std::string_view text);
    JsonWriter& Number(std::int64_t n);
    JsonWriter& Bool(bool b);
    JsonWriter& Null();

  private:
    void BeforeValue();

    std::ostream& out_;
    // One entry per open object or array: whether it holds a value yet.
    std::vector<bool> open_;
    bool afterKey_ = false;
};

} // namespace ss::cli
