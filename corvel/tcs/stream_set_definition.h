// One stream set of the streams section: the elements that define it and,
// once a port has named it, the protocol stacks built from them (one stack,
// or one per table entry of its for_table_entries loop).
//
// The node handles are borrowed from the document, which outlives the
// record (both live for one load). The stacks are owned; the port readers
// take them one after the other with nextStack.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvel/protocols/protocol_stack.h"
#include "corvel/tcs/tcs_manager.h"

namespace corvel {

class StreamSetDefinition {
 public:
  // `definitionNode` is the protocols (or stream_files) element,
  // `loopNode` the for_table_entries element or null, `setNode` the
  // stream_set element. `type` is enSetTypeGenerate or enSetTypeCapture.
  StreamSetDefinition(std::string id, xmlNode* definitionNode, xmlNode* loopNode, xmlNode* setNode,
                      int32_t type = enSetTypeGenerate);
  ~StreamSetDefinition();
  StreamSetDefinition(const StreamSetDefinition&) = delete;
  StreamSetDefinition& operator=(const StreamSetDefinition&) = delete;

  // The stack at the cursor, and the cursor moves on; null once every stack
  // has been handed out.
  const ProtocolStack* nextStack();
  // Starts nextStack over at the first stack.
  void rewind() noexcept { _cursor = 0; }

  void addStack(std::unique_ptr<ProtocolStack> stack);

  const std::string& id() const noexcept { return _id; }
  xmlNode* definitionNode() const noexcept { return _definitionNode; }
  xmlNode* loopNode() const noexcept { return _loopNode; }
  xmlNode* setNode() const noexcept { return _setNode; }
  const std::vector<std::unique_ptr<ProtocolStack>>& stacks() const noexcept { return _stacks; }
  int32_t type() const noexcept { return _type; }
  void setType(int32_t type) noexcept { _type = type; }
  bool isCapture() const noexcept { return _type == enSetTypeCapture; }

 private:
  uint32_t _cursor = 0;
  std::string _id;
  xmlNode* _definitionNode;
  xmlNode* _loopNode;
  xmlNode* _setNode;
  std::vector<std::unique_ptr<ProtocolStack>> _stacks;
  int32_t _type;
};

}  // namespace corvel
