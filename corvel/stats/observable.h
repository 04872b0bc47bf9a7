// The observer mechanism behind every port: a port announces events, the
// attached observers (the statistics) receive them in attachment order.
#pragma once

#include <memory>
#include <vector>

namespace corvel {

class Event;

class Observer {
 public:
  virtual ~Observer();
  virtual void update(Event& event) = 0;
};

class Observable {
 public:
  Observable();
  virtual ~Observable();
  Observable(const Observable&) = delete;
  Observable& operator=(const Observable&) = delete;

  // Observers are not owned; whoever attaches one detaches it before destroying it.
  void attach(Observer* observer);
  // Removes every entry of this observer.
  void detach(Observer* observer);
  void detachAll() noexcept;
  size_t observerCount() const noexcept { return _observers.size(); }

  // Hands the event to every observer in attachment order.
  void notify(Event& event);
  // Notifies, then destroys the event.
  void notify(std::unique_ptr<Event> event);
  // Notifies, destroys the event and throws its text as a TextError, so the
  // observers log a failure before the throw unwinds.
  [[noreturn]] void notifyAndThrow(std::unique_ptr<Event> event);

 private:
  std::vector<Observer*> _observers;
};

}  // namespace corvel
