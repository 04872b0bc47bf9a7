#include "corvel/stats/observable.h"

#include <algorithm>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/stats/event.h"

namespace corvel {

Observer::~Observer() = default;

Observable::Observable() = default;
Observable::~Observable() = default;

void Observable::attach(Observer* observer) {
  if (observer) _observers.push_back(observer);
}

void Observable::detach(Observer* observer) {
  _observers.erase(std::remove(_observers.begin(), _observers.end(), observer), _observers.end());
}

void Observable::detachAll() noexcept { _observers.clear(); }

void Observable::notify(Event& event) {
  // By index: an observer may detach itself while it is being notified.
  for (size_t i = 0; i < _observers.size(); ++i) _observers[i]->update(event);
}

void Observable::notify(std::unique_ptr<Event> event) {
  if (event) notify(*event);
}

void Observable::notifyAndThrow(std::unique_ptr<Event> event) {
  if (!event) throw TextError("");
  notify(*event);
  std::string text = event->text();
  event.reset();
  throw TextError(text);
}

}  // namespace corvel
