// Readable names for parameterised tests that stay the same from build to
// build: the parameter's index, then a text of its own with every character
// other than a letter or digit written '_', e.g. ".../3_payload_default".
// The index keeps the names unique where texts repeat or come out alike.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace corvel::test {

inline constexpr size_t kParamTextMax = 40;

inline std::string paramName(size_t index, std::string_view text) {
  std::string name = std::to_string(index);
  if (!text.empty()) name += '_';
  for (char c : text.substr(0, kParamTextMax)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

inline std::string paramText(std::string_view text) { return std::string(text); }
inline std::string paramText(const char* text) { return text != nullptr ? std::string(text) : std::string(); }
template <class Number, std::enable_if_t<std::is_arithmetic_v<Number>, int> = 0>
std::string paramText(Number value) {
  return std::to_string(value);
}

// The generator for parameters whose member `Member` names them.
template <auto Member>
struct NameFrom {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return paramName(info.index, paramText(info.param.*Member));
  }
};

// The generator for parameters that are their own text.
struct NameFromText {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return paramName(info.index, paramText(info.param));
  }
};

// The generator for a pair of parameters (::testing::Combine), each named by
// a member: "4_eth_default_2_50".
template <auto First, auto Second>
struct NameFromPair {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    return paramName(info.index,
                     paramText(std::get<0>(info.param).*First) + "_" + paramText(std::get<1>(info.param).*Second));
  }
};

}  // namespace corvel::test
