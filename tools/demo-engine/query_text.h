#pragma once

#include <optional>
#include <string>
#include <string_view>

// Reading and writing the query part of the addresses the demo engine serves.
namespace korvath::demo {

// Undoes %XX escapes and turns "+" into a blank, as browsers write form fields. A "%" that is not
// followed by two hexadecimal digits stays as it is, so no input is ever rejected.
std::string PercentDecode(std::string_view text);

// Keeps ASCII letters and digits and writes every other byte as %XX with upper-case digits: the
// same form the client uses for the first results page, so later pages look alike.
std::string PercentEncode(std::string_view text);

// The decoded value of the first parameter called `name` in "a=1&b=2"; nullopt when absent.
std::optional<std::string> QueryParam(std::string_view query, std::string_view name);

}  // namespace korvath::demo
