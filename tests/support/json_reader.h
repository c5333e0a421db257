// Reads the JSON that sectorscope-cli writes back into values, so that tests
// can check its shape: objects (members kept in order), arrays, strings,
// whole numbers, booleans and null. Anything else, or text after the value,
// is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace ss::testimg {

struct JsonValue {
    using Array = std::vector<JsonValue>;
    using Object = std::vector<std::pair<std::string, JsonValue>>;
    std::variant<std::nullptr_t, bool, std::int64_t, std::string, Array, Object> value;

    bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    // These throw std::bad_variant_access when the value is of another kind.
    bool Bool() const { return std::get<bool>(value); }
    std::int64_t Int() const { return std::get<std::int64_t>(value); }
    const std::string& Str() const { return std::get<std::string>(value); }
    const Array& Items() const { return std::get<Array>(value); }
    const Object& Members() const { return std::get<Object>(value); }
    // The member named key; throws std::out_of_range when there is none.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](std::size_t i) const { return Items().at(i); }
};

// Parses text holding one JSON value; throws std::runtime_error with the
// offset of the first fault.
JsonValue ParseJson(std::string_view text);

} // namespace ss::testimg
