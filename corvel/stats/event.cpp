#include "corvel/stats/event.h"

namespace corvel {

Event::Event(int32_t category, int32_t device, int32_t port, int32_t severity, std::string text)
    : _device(device),
      _port(port),
      _category(category),
      _severity(severity),
      _kind(enEventKindText),
      _hasText(true),
      _text(std::move(text)) {}

Event::Event(int32_t category, int32_t device, int32_t port, int32_t kind)
    : _device(device),
      _port(port),
      _category(category),
      _severity(enEventSeverityInformation),
      _kind(kind),
      _hasText(false) {}

Event::~Event() = default;

void Event::setText(std::string text) {
  _text = std::move(text);
  _hasText = true;
}

void Event::addWarning(std::string prefix, std::string text) {
  _warnings.emplace_back(std::move(prefix), std::move(text));
}

PortEvent::PortEvent(const PortIdentity& port, int32_t severity, std::string text)
    : Event(enEventCategoryPort, port.device, port.port, severity, std::move(text)) {}

PortEvent::PortEvent(const PortIdentity& port, int32_t kind)
    : Event(enEventCategoryPort, port.device, port.port, kind) {}

StreamEvent::StreamEvent(const PortIdentity& port, int32_t kind, int32_t stream, int32_t pdu)
    : Event(enEventCategoryStream, port.device, port.port, kind), _stream(stream), _pdu(pdu) {}

StreamEvent::StreamEvent(const PortIdentity& port, int32_t severity, int32_t stream, int32_t pdu,
                         std::string text)
    : Event(enEventCategoryStream, port.device, port.port, severity, std::move(text)),
      _stream(stream),
      _pdu(pdu) {}

QosScheduleEvent::QosScheduleEvent(const PortIdentity& port, int32_t code)
    : Event(enEventCategoryScheduling, port.device, port.port, code) {}

QosPoliceEvent::QosPoliceEvent(const PortIdentity& port, int32_t kind)
    : Event(enEventCategoryPolice, port.device, port.port, kind) {}

}  // namespace corvel
