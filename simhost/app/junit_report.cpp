#include "junit_report.h"

#include <vector>

namespace pyxsim {

namespace {

struct TestCase {
  std::string className;
  std::string name;
  std::vector<const VerdictReason*> failures;
};

// Length of the UTF-8 sequence at `i`, or 0 when it is not a valid one.
size_t utf8Length(const std::string& s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  // Overlong forms, surrogates and code points past U+10FFFF.
  if (lead == 0xE0 && byte(i + 1) < 0xA0) return 0;
  if (lead == 0xED && byte(i + 1) > 0x9F) return 0;
  if (lead == 0xF0 && byte(i + 1) < 0x90) return 0;
  if (lead == 0xF4 && byte(i + 1) > 0x8F) return 0;
  return length;
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + xmlEscaped(value) + "\"";
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = utf8Length(text, i);
      if (length == 0) {
        out += '?';
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      default: out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    ++i;
  }
  return out;
}

std::string junitXml(const Verdict& verdict, uint64_t cycles) {
  std::vector<TestCase> cases;
  cases.push_back({"pyxsim", "run", {}});
  for (const VerdictPort& port : verdict.transmitPorts) {
    cases.push_back({"pyxsim.transmit", port.name(), {}});
    for (const ReportedStream& s : port.streams) {
      cases.push_back({"pyxsim." + port.name(),
                       "stream rx " + std::to_string(s.rxDevice) + "/" + std::to_string(s.rxPort) + " stream " +
                           std::to_string(s.stream) + " (" + std::to_string(s.pdus) + " PDUs measured)",
                       {}});
    }
  }
  for (const VerdictReason& reason : verdict.reasons) {
    TestCase* owner = &cases.front();
    if (!reason.port.empty()) {
      for (TestCase& c : cases)
        if (c.className == "pyxsim.transmit" && c.name == reason.port) owner = &c;
    }
    owner->failures.push_back(&reason);
  }
  size_t failed = 0;
  for (const TestCase& c : cases)
    if (!c.failures.empty()) ++failed;

  const std::string counts = attribute("tests", std::to_string(cases.size())) +
                             attribute("failures", std::to_string(failed)) + attribute("errors", "0");
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<testsuites" + attribute("name", "pyxsim") + counts + ">\n";
  xml += "  <testsuite" + attribute("name", "pyxsim") + counts + attribute("skipped", "0") + ">\n";
  xml += "    <properties>\n";
  xml += "      <property" + attribute("name", "verdict") + attribute("value", verdict.passed ? "pass" : "fail") +
         "/>\n";
  xml += "      <property" + attribute("name", "cycles") + attribute("value", std::to_string(cycles)) + "/>\n";
  xml += "      <property" + attribute("name", "pdus_verified") +
         attribute("value", std::to_string(verdict.pdusVerified)) + "/>\n";
  xml += "    </properties>\n";
  for (const TestCase& c : cases) {
    xml += "    <testcase" + attribute("name", c.name) + attribute("classname", c.className);
    if (c.failures.empty()) {
      xml += "/>\n";
      continue;
    }
    xml += ">\n";
    for (const VerdictReason* reason : c.failures) {
      const std::string text = (reason->port.empty() ? "" : reason->port + ": ") + reason->text;
      xml += "      <failure" + attribute("message", text) + attribute("type", reason->code) + ">" +
             xmlEscaped(text) + "</failure>\n";
    }
    xml += "    </testcase>\n";
  }
  xml += "  </testsuite>\n</testsuites>\n";
  return xml;
}

}  // namespace pyxsim
