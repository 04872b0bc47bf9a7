// The verdict as JUnit XML, the format CI servers show: one <testsuite> for
// the pyxsim run inside <testsuites>, one <testcase> for the run as a whole
// (the TCS loads, the cycle limit, the script lines), one per transmit port a
// TCS file configured and one per stream a transmit port measured; every
// reason of a failure is one <failure> element of its test case, with the
// reason's code as its type and its text as its message.
#pragma once

#include <string>

#include "verdict.h"

namespace pyxsim {

std::string junitXml(const Verdict& verdict, uint64_t cycles);

// Text with the five XML special characters escaped and every byte that is
// not allowed in XML 1.0 (control characters, invalid UTF-8) written as '?'.
std::string xmlEscaped(const std::string& text);

}  // namespace pyxsim
