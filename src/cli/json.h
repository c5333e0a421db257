// The command-line program's --json output: values are built as
// nlohmann::ordered_json (members keep the order they are added in) and
// written compactly, one value after another, with this program's rules for
// strings.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace ss::cli {

using Json = nlohmann::ordered_json;

// The text as a JSON string, quotes included. Valid UTF-8 passes unchanged;
// each byte that does not start a complete, valid UTF-8 sequence becomes
// \ufffd, as the windows show such a byte. Control characters and DEL are
// escaped (\n, \r, \t, \b, \f or \u00XX).
//
// nlohmann's own dump cannot write this: either it passes valid UTF-8 as it
// is, but then writes a bad sequence as the raw bytes of U+FFFD (one for a
// whole cut-short sequence) and DEL as it is, or it escapes every character
// beyond ASCII.
std::string JsonString(std::string_view text);

// Writes value without blanks or line ends: {"tracks":35,"notices":[]}.
// Strings as JsonString; numbers, booleans and null as nlohmann writes them.
void WriteJson(std::ostream& out, const Json& value);

} // namespace ss::cli
