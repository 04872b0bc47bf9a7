// Small TCS files written for a test and removed afterwards.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace corvel::test {

class TempTcsFile {
 public:
  TempTcsFile(const std::string& name, const std::string& contents)
      : _path(::testing::TempDir() + name) {
    std::ofstream(_path) << contents;
  }
  ~TempTcsFile() { std::remove(_path.c_str()); }
  TempTcsFile(const TempTcsFile&) = delete;
  TempTcsFile& operator=(const TempTcsFile&) = delete;
  const char* path() const { return _path.c_str(); }

 private:
  std::string _path;
};

// A well-formed TCS with an empty type_definitions section, a streams
// section and no port sections.
inline const char* kTcsWithoutPorts =
    "<?xml version=\"1.0\"?>\n"
    "<corvel compute_crc=\"1\" compute_checksum=\"1\">\n"
    "  <type_definitions/>\n"
    "  <streams>\n"
    "  </streams>\n"
    "</corvel>\n";

// Where no file is.
inline std::string missingTcsPath() { return ::testing::TempDir() + "no_such_file.tcs"; }

}  // namespace corvel::test
