#include "corvel/tcs/stream_set_definition.h"

#include <utility>

namespace corvel {

StreamSetDefinition::StreamSetDefinition(std::string id, xmlNode* definitionNode, xmlNode* loopNode,
                                         xmlNode* setNode, int32_t type)
    : _id(std::move(id)),
      _definitionNode(definitionNode),
      _loopNode(loopNode),
      _setNode(setNode),
      _type(type) {}

StreamSetDefinition::~StreamSetDefinition() = default;

const ProtocolStack* StreamSetDefinition::nextStack() {
  if (_cursor >= _stacks.size()) return nullptr;
  return _stacks[_cursor++].get();
}

void StreamSetDefinition::addStack(std::unique_ptr<ProtocolStack> stack) {
  if (stack) _stacks.push_back(std::move(stack));
}

}  // namespace corvel
