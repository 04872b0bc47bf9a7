#include "corvel/template/template_link.h"

#include <libxml/xmlsave.h>

#include <memory>

#include "corvel/base/print_utility.h"
#include "corvel/xml/xml_access.h"
#include "corvel/template/parameter_stub.h"
#include "corvel/template/template_source.h"

namespace corvel {
namespace {

struct BufferFree {
  void operator()(xmlBuffer* buffer) const noexcept { xmlBufferFree(buffer); }
};

// The element as XML text, UTF-8 kept as it is (without an encoding libxml2
// would write every non-ASCII character as a character reference).
std::optional<std::string> elementText(xmlNode* element) {
  std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
  if (!buffer) return std::nullopt;
  xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), "UTF-8", 0);
  if (save == nullptr) return std::nullopt;
  const bool saved = xmlSaveTree(save, element) >= 0;
  if (xmlSaveClose(save) < 0 || !saved) return std::nullopt;
  const xmlChar* content = xmlBufferContent(buffer.get());
  const int length = xmlBufferLength(buffer.get());
  if (content == nullptr || length < 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(content), static_cast<size_t>(length));
}

}  // namespace

std::optional<std::string> linkTemplate(const PrintUtility& out, std::string_view stubProlog,
                                        const std::string& stubPath, const xmlDoc* templateDocument) {
  std::string stubText(stubProlog);
  stubText += kStubBody;
  // The stub's definitions are not needed to place the body; the generated
  // file is loaded with them afterwards.
  SourceParse stub = parseSource(stubText, stubPath, false);
  if (stub.noParser) {
    out.print("Corvel> Error, unable to create an empty XML document\n");
    return std::nullopt;
  }
  if (!stub.document) {
    printParseReport(out, stubPath, stub.record);
    return std::nullopt;
  }

  xmlNode* stubCorvel = selectSingleNode(reinterpret_cast<xmlNode*>(stub.document.get()), "//corvel");
  const xmlNode* templateCorvel =
      templateDocument != nullptr
          ? selectSingleNode(reinterpret_cast<const xmlNode*>(templateDocument), "//corvel")
          : nullptr;
  if (stubCorvel == nullptr || templateCorvel == nullptr) {
    out.print("three");
    return std::nullopt;
  }
  xmlNode* copy = xmlDocCopyNode(const_cast<xmlNode*>(templateCorvel), stub.document.get(), 1);
  if (copy == nullptr) {
    out.print("four");
    return std::nullopt;
  }
  xmlNode* replaced = xmlReplaceNode(stubCorvel, copy);
  if (replaced == nullptr) {
    xmlFreeNode(copy);
    out.print("five");
    return std::nullopt;
  }
  xmlFreeNode(replaced);

  std::optional<std::string> body = elementText(copy);
  if (!body) {
    out.print("Corvel> Error, unable to write the linked document\n");
    return std::nullopt;
  }
  std::string text(stubProlog);
  text += *body;
  text += '\n';
  return text;
}

}  // namespace corvel
