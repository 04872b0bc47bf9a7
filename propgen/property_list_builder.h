// Turns a property XML document, fed chunk by chunk, into the text of the
// property registry header. The text grows in memory; the caller writes it
// out only when every chunk was accepted.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <expat.h>

namespace propgen {

class PropertyListBuilder {
 public:
  // Limits of the generated header and of its parts, in characters.
  static constexpr std::size_t kMaxPath = 255;
  static constexpr std::size_t kMaxName = 34;
  static constexpr std::size_t kMaxStringValue = 255;
  static constexpr std::size_t kMaxRecord = 1023;
  static constexpr std::size_t kMaxOutput = 32767;

  static const char kProlog[];
  static const char kClosing[];

  // `label` names the input in every message.
  explicit PropertyListBuilder(std::string label);
  PropertyListBuilder(const PropertyListBuilder&) = delete;
  PropertyListBuilder& operator=(const PropertyListBuilder&) = delete;

  // False when the XML parser could not be created.
  bool ready() const { return _parser != nullptr; }

  // Feeds one chunk; `isFinal` marks the last one. Returns false once the
  // document was rejected; message() then tells why.
  bool parse(const char* data, std::size_t size, bool isFinal);

  bool failed() const { return _failed; }
  // The message for standard error, as it is printed.
  std::string_view message() const;

  // Closes the record list after the final chunk and returns the whole
  // header text (without the last newline written after it).
  const std::string& finish();

 private:
  struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
  };

  static void XMLCALL onStartElement(void* self, const XML_Char* tag, const XML_Char** attributes);
  static void XMLCALL onEndElement(void* self, const XML_Char* tag);

  void startElement(std::string_view tag, const XML_Char** attributes);
  void startProperty(const XML_Char** attributes);
  void endElement();
  void formatRecord(std::string_view name, int hasValue, int type, unsigned uintValue,
                    std::string_view stringValue);
  // Starts an error message: newline, label, line.
  std::string where() const;
  void fail(std::string text);
  void failOutOfMemory() noexcept;

  std::unique_ptr<XML_ParserStruct, ParserFree> _parser;
  std::string _label;
  std::string _output;
  std::string _record;
  std::string _path;
  // Where each open property's segment begins in _path, so an end tag
  // removes exactly the segment its start tag added.
  std::vector<std::size_t> _segmentStarts;
  bool _rootSeen = false;
  bool _failed = false;
  bool _finished = false;
  std::string _message;
};

}  // namespace propgen
